#include "SegmentedSwitch.h"

#include "ui/style/PanelStyle.h"
#include "ui/style/SystemColors.h"
#include "ui/style/SystemFont.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QFocusEvent>
#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPainter>
#include <QtMath>

namespace {

constexpr int kInset = 2;
constexpr int kHeight = 26;
constexpr int kTextMargin = 12;
constexpr qreal kRadius = 6;
constexpr qreal kTextSize = 12;

// One choice: its text on the track, or on the card when chosen.
class Segment : public QAbstractButton
{
public:
    Segment(const QString& text, QWidget* parent) : QAbstractButton(parent)
    {
        setText(text);
        setCheckable(true);
        setCursor(Qt::PointingHandCursor);
        setFocusPolicy(Qt::StrongFocus);
        setFont(SystemFont::font(kTextSize, QFont::Medium));
        const auto restyle = [this] {
            const auto tone = isChecked() ? PanelStyle::Tone::Primary : PanelStyle::Tone::Secondary;
            PanelStyle::setTextColor(this,
                                     PanelStyle::textColor(tone, PanelStyle::basePalette(this)));
        };
        PanelStyle::follow(this, restyle);
        connect(this, &QAbstractButton::toggled, this, restyle);
    }

    QSize sizeHint() const override
    {
        const qreal width = QFontMetricsF(font()).horizontalAdvance(text());
        return {qCeil(width) + 2 * kTextMargin, kHeight - 2 * kInset};
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF card = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
        if (isChecked()) {
            const QPalette& colours = palette();
            const QColor window = colours.color(QPalette::Window);
            // On a dark window the card is lifted a little towards the text colour.
            const QColor fill =
                SystemColors::isDark(colours)
                    ? SystemColors::blend(colours.color(QPalette::WindowText), window, 0.12)
                    : window;
            QColor edge = colours.color(QPalette::WindowText);
            edge.setAlphaF(0.12f);
            painter.setPen(QPen(edge, 1));
            painter.setBrush(fill);
            painter.drawRoundedRect(card, kRadius - kInset, kRadius - kInset);
        }
        if (hasFocus() && m_keyboardFocus) {
            painter.setPen(QPen(palette().color(QPalette::Highlight), 1.5));
            painter.setBrush(Qt::NoBrush);
            painter.drawRoundedRect(card.adjusted(0.5, 0.5, -0.5, -0.5), kRadius - kInset,
                                    kRadius - kInset);
        }
        painter.setPen(palette().color(QPalette::ButtonText));
        painter.setFont(font());
        painter.drawText(rect(), Qt::AlignCenter, text());
    }

    // The arrows choose the neighbour, as they move between radio buttons.
    void keyPressEvent(QKeyEvent* event) override
    {
        const int step = event->key() == Qt::Key_Right ? 1 : event->key() == Qt::Key_Left ? -1 : 0;
        QAbstractButton* next =
            step && group() ? group()->button(group()->id(this) + step) : nullptr;
        if (!next)
            return QAbstractButton::keyPressEvent(event);
        next->click();
        next->setFocus(Qt::TabFocusReason);
    }

    // A ring shows the focus only when the keyboard moved it here.
    void focusInEvent(QFocusEvent* event) override
    {
        const Qt::FocusReason reason = event->reason();
        m_keyboardFocus = reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason ||
                          reason == Qt::ShortcutFocusReason;
        QAbstractButton::focusInEvent(event);
    }

private:
    bool m_keyboardFocus = false;
};

} // namespace

SegmentedSwitch::SegmentedSwitch(const QStringList& choices, QWidget* parent)
    : QWidget(parent), m_group(new QButtonGroup(this))
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(kInset, kInset, kInset, kInset);
    row->setSpacing(0);
    for (qsizetype index = 0; index < choices.size(); ++index) {
        auto* segment = new Segment(choices[index], this);
        m_group->addButton(segment, int(index));
        row->addWidget(segment);
    }
    if (auto* first = m_group->button(0))
        first->setChecked(true);
    connect(m_group, &QButtonGroup::idToggled, this, [this](int index, bool checked) {
        if (checked)
            emit currentChanged(index);
    });
}

int SegmentedSwitch::current() const
{
    return m_group->checkedId();
}

void SegmentedSwitch::setCurrent(int index)
{
    if (auto* segment = m_group->button(index))
        segment->setChecked(true);
}

void SegmentedSwitch::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(SystemColors::boxFill(palette()));
    painter.drawRoundedRect(QRectF(rect()), kRadius, kRadius);
}
