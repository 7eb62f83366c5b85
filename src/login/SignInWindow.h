#pragma once

#include <QWidget>
#include <memory>

class QFrame;
class QLabel;
class QPushButton;
class QWebEngineCertificateError;
class QWebEnginePage;
class QWebEngineView;
class SignInPage;

// A window showing one page of the sign-in, with a notice above the page when it cannot be
// shown: its renderer ended (the notice offers to load it again) or the site's certificate was
// refused. The main window also offers to sign in with another account. Pages the site opens in a
// new window become child windows on the same profile, which close with this one.
class SignInWindow : public QWidget
{
    Q_OBJECT

public:
    explicit SignInWindow(std::unique_ptr<SignInPage> page, QWidget* parent = nullptr);
    ~SignInWindow() override;

    SignInPage* page() const { return m_page.get(); }
    QWebEngineView* webView() const { return m_view; }
    // Shows the action under the page that asks to sign in with another account.
    void offerAnotherAccount();

signals:
    void anotherAccountRequested();
    // A pop-up opened by this window's page or, further down, by one of its pop-ups.
    void popupOpened(SignInWindow* popup);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildLayout();
    QWebEnginePage* openPopup();
    void resizeWithinScreen(const QSize& size);
    void showNotice(const QString& text, bool offerReload);
    void onRenderProcessTerminated();
    void onCertificateError(const QWebEngineCertificateError& error);
    void reload();

    // The page outlives the view that shows it (see the destructor).
    const std::unique_ptr<SignInPage> m_page;
    QWebEngineView* m_view;
    QFrame* m_notice;
    QLabel* m_noticeText;
    QPushButton* m_reload;
    QWidget* m_accountBar;
};
