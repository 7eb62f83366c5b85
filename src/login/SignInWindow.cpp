#include "SignInWindow.h"

#include "SignInPage.h"

#include <QCloseEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWebEngineCertificateError>
#include <QWebEngineView>

SignInWindow::SignInWindow(std::unique_ptr<SignInPage> page, QWidget* parent)
    : QWidget(parent, Qt::Window), m_page(std::move(page)), m_view(new QWebEngineView(this)),
      m_notice(new QFrame(this)), m_noticeText(new QLabel(m_notice)),
      m_reload(new QPushButton(QStringLiteral("Ricarica"), m_notice)),
      m_accountBar(new QWidget(this))
{
    m_view->setPage(m_page.get());
    m_page->setPopupOpener([this] { return openPopup(); });
    connect(m_page.get(), &QWebEnginePage::renderProcessTerminated, this,
            &SignInWindow::onRenderProcessTerminated);
    connect(m_page.get(), &QWebEnginePage::certificateError, this,
            &SignInWindow::onCertificateError);
    // A new navigation, a reload included, replaces whatever the notice was about.
    connect(m_page.get(), &QWebEnginePage::loadStarted, m_notice, &QWidget::hide);
    connect(m_reload, &QPushButton::clicked, this, &SignInWindow::reload);
    buildLayout();
}

SignInWindow::~SignInWindow()
{
    // The pop-ups first, then the view and only then its page: a view that takes its page
    // down with it removes the render widget in the wrong order.
    qDeleteAll(findChildren<SignInWindow*>(Qt::FindDirectChildrenOnly));
    delete m_view;
}

void SignInWindow::buildLayout()
{
    m_noticeText->setObjectName(QStringLiteral("signInNotice"));
    m_noticeText->setTextFormat(Qt::PlainText);
    m_noticeText->setWordWrap(true);
    m_reload->setObjectName(QStringLiteral("reloadButton"));
    m_notice->setFrameShape(QFrame::StyledPanel);
    auto* noticeRow = new QHBoxLayout(m_notice);
    noticeRow->addWidget(m_noticeText, 1);
    noticeRow->addWidget(m_reload);
    m_notice->hide();

    auto* anotherAccount = new QToolButton(m_accountBar);
    anotherAccount->setObjectName(QStringLiteral("anotherAccountButton"));
    anotherAccount->setText(QStringLiteral("Usa un altro account"));
    anotherAccount->setAutoRaise(true);
    connect(anotherAccount, &QToolButton::clicked, this, &SignInWindow::anotherAccountRequested);
    auto* accountRow = new QHBoxLayout(m_accountBar);
    accountRow->setContentsMargins(6, 2, 6, 2);
    accountRow->addStretch();
    accountRow->addWidget(anotherAccount);
    m_accountBar->hide();

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_notice);
    layout->addWidget(m_view, 1);
    layout->addWidget(m_accountBar);
    m_view->setFocus(); // the page takes the keys, not the action under it
}

void SignInWindow::offerAnotherAccount()
{
    m_accountBar->show();
}

void SignInWindow::closeEvent(QCloseEvent* event)
{
    for (SignInWindow* popup : findChildren<SignInWindow*>(Qt::FindDirectChildrenOnly))
        popup->close();
    QWidget::closeEvent(event);
}

QWebEnginePage* SignInWindow::openPopup()
{
    // The same profile, so a session cookie set in the pop-up lands in the store the sign-in
    // watches.
    auto* popup = new SignInWindow(std::make_unique<SignInPage>(m_page->profile()), this);
    popup->setAttribute(Qt::WA_DeleteOnClose);
    popup->resize(size());
    SignInPage* page = popup->page();
    connect(page, &QWebEnginePage::titleChanged, popup, &QWidget::setWindowTitle);
    connect(page, &QWebEnginePage::windowCloseRequested, popup, &QWidget::close);
    connect(page, &QWebEnginePage::geometryChangeRequested, popup,
            [popup](const QRect& geometry) { popup->resizeWithinScreen(geometry.size()); });
    connect(popup, &SignInWindow::popupOpened, this, &SignInWindow::popupOpened);
    emit popupOpened(popup);
    popup->show();
    return page;
}

void SignInWindow::resizeWithinScreen(const QSize& size)
{
    // The size window.open asked for; where the window goes is the window manager's choice.
    if (size.isEmpty() || !screen())
        return;
    resize(size.boundedTo(screen()->availableGeometry().size()));
}

void SignInWindow::showNotice(const QString& text, bool offerReload)
{
    m_noticeText->setText(text);
    m_reload->setVisible(offerReload);
    m_notice->show();
}

void SignInWindow::onRenderProcessTerminated()
{
    showNotice(QStringLiteral("La pagina si è interrotta in modo imprevisto."), true);
}

void SignInWindow::onCertificateError(const QWebEngineCertificateError& error)
{
    // Never accepted: the engine refuses the connection once this returns.
    showNotice(QStringLiteral("Connessione non sicura: il certificato di %1 non è valido, perciò "
                              "la pagina non è stata aperta.")
                   .arg(error.url().host()),
               false);
}

void SignInWindow::reload()
{
    m_notice->hide();
    m_page->triggerAction(QWebEnginePage::Reload);
}
