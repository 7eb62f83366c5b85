#include "PanelStyle.h"

#include "SystemColors.h"
#include "SystemFont.h"

#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QToolButton>

namespace {

const QString kFollowerName = QStringLiteral("paletteFollower");

// Lives as a child of the widget it restyles, so it goes when the widget goes.
class PaletteFollower : public QObject
{
public:
    explicit PaletteFollower(QWidget* widget) : QObject(widget)
    {
        setObjectName(kFollowerName);
        widget->installEventFilter(this);
    }

    void setRestyle(std::function<void()> restyle)
    {
        m_restyle = std::move(restyle);
        run();
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::PaletteChange:
        case QEvent::ApplicationPaletteChange:
        case QEvent::ThemeChange:
        case QEvent::ParentChange:
            run();
            break;
        default:
            break;
        }
        return false;
    }

private:
    void run()
    {
        // Restyling sets a colour, which is itself a palette change.
        if (m_running || !m_restyle)
            return;
        m_running = true;
        m_restyle();
        m_running = false;
    }

    std::function<void()> m_restyle;
    bool m_running = false;
};

} // namespace

QColor PanelStyle::textColor(Tone tone, const QPalette& palette)
{
    switch (tone) {
    case Tone::Primary:
        return palette.color(QPalette::WindowText);
    case Tone::Secondary:
        return SystemColors::secondary(palette);
    case Tone::OnAccent:
        return SystemColors::onAccent(palette);
    default:
        return SystemColors::textOnPanel(symbolColor(tone, palette), palette);
    }
}

PanelStyle::Tone PanelStyle::thresholdTone(qint64 threshold)
{
    if (threshold >= 85)
        return Tone::Red;
    if (threshold >= 70)
        return Tone::Orange;
    return Tone::Blue;
}

QColor PanelStyle::symbolColor(Tone tone, const QPalette& palette)
{
    switch (tone) {
    case Tone::Blue:
        return SystemColors::blue(palette);
    case Tone::Orange:
        return SystemColors::orange(palette);
    case Tone::Red:
        return SystemColors::red(palette);
    default:
        return textColor(tone, palette);
    }
}

QPalette PanelStyle::basePalette(const QWidget* widget)
{
    return widget->parentWidget() ? widget->parentWidget()->palette()
                                  : QApplication::palette(widget);
}

void PanelStyle::follow(QWidget* widget, std::function<void()> restyle)
{
    auto* follower = static_cast<PaletteFollower*>(
        widget->findChild<QObject*>(kFollowerName, Qt::FindDirectChildrenOnly));
    if (!follower)
        follower = new PaletteFollower(widget);
    follower->setRestyle(std::move(restyle));
}

void PanelStyle::setTextColor(QWidget* widget, const QColor& color)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, color);
    palette.setColor(QPalette::ButtonText, color);
    palette.setColor(QPalette::Text, color);
    widget->setPalette(palette);
}

void PanelStyle::setTone(QWidget* widget, Tone tone)
{
    follow(widget, [widget, tone] { setTextColor(widget, textColor(tone, basePalette(widget))); });
}

QLabel* PanelStyle::label(const QString& text, qreal size, QFont::Weight weight, Tone tone,
                          QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setFont(SystemFont::font(size, weight));
    label->setTextFormat(Qt::PlainText);
    if (tone != Tone::Primary)
        setTone(label, tone);
    return label;
}

QLabel* PanelStyle::symbol(SymbolIcon::Name name, Tone tone, int side, QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setFixedSize(side, side);
    label->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    follow(label, [label, name, tone, side] {
        const QColor tint = symbolColor(tone, basePalette(label));
        label->setPixmap(
            SymbolIcon::icon(name, tint).pixmap(QSize(side, side), label->devicePixelRatioF()));
    });
    return label;
}

QToolButton* PanelStyle::plainSymbolButton(SymbolIcon::Name name, Tone tone, int side,
                                           const QString& toolTip, QWidget* parent)
{
    auto* button = new QToolButton(parent);
    button->setAutoRaise(true);
    button->setIconSize(QSize(side, side));
    button->setToolTip(toolTip);
    button->setCursor(Qt::PointingHandCursor);
    follow(button, [button, name, tone] {
        button->setIcon(SymbolIcon::icon(name, symbolColor(tone, basePalette(button))));
    });
    return button;
}

QToolButton* PanelStyle::plainTextButton(const QString& text, qreal size, Tone tone,
                                         QWidget* parent)
{
    auto* button = new QToolButton(parent);
    button->setAutoRaise(true);
    button->setText(text);
    button->setFont(SystemFont::font(size, QFont::Normal));
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    button->setCursor(Qt::PointingHandCursor);
    setTone(button, tone);
    return button;
}
