#pragma once

#include "StateFor.h"
#include "TemporaryHome.h"
#include "UsageService.h"
#include "state/LoginWindowLauncher.h"
#include "state/Notifier.h"
#include "ui/history/HistoryChart.h"
#include "ui/panel/UsageBar.h"
#include "ui/style/SystemColors.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <cmath>

// What the tests of the screens share: the stand-ins at the state's boundary, the service, and
// the check that every text on show can be read.

// Stand-ins for the sign-in windows and the notification service at the state's boundary.
struct Recorder : Notifier, LoginWindowLauncher
{
    void post(const QString&, const QString&, const QString&) override {}
    void requestPermission() override { ++permissionRequests; }
    std::shared_ptr<WindowController> show(Request request) override
    {
        callback = std::move(request.onAuthenticated);
        cannotOpen = std::move(request.onCannotOpen);
        return std::make_shared<WindowController>();
    }
    int permissionRequests = 0;
    Callback callback;
    std::function<void()> cannotOpen;
};

// Pixels at least that opaque whose every channel is within the tolerance of the colour.
inline int pixelsNear(const QImage& image, const QColor& color, int tolerance,
                      int minimumAlpha = 255)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor pixel = image.pixelColor(x, y);
            count += pixel.alpha() >= minimumAlpha &&
                     qAbs(pixel.red() - color.red()) <= tolerance &&
                     qAbs(pixel.green() - color.green()) <= tolerance &&
                     qAbs(pixel.blue() - color.blue()) <= tolerance;
        }
    return count;
}

// The named child of a view; a missing one ends the test at once with its name.
template <typename T = QWidget> inline T* child(const QObject* view, const char* name)
{
    auto* found = view->findChild<T*>(QString::fromLatin1(name));
    if (!found)
        qFatal("no child %s", name);
    return found;
}

inline const QString kLongName =
    QStringLiteral("Cooperativa Agricola e Zootecnica della Valle del Po e Dintorni");
inline const QStringList kConfigured{QStringLiteral("--sk=k"), QStringLiteral("--org-id=o"),
                                     "--org-name=" + kLongName};
inline const QByteArray kFiveHour =
    R"("five_hour":{"utilization":42.6,"resets_at":"2030-01-01T09:00:00.000Z"})";
inline const QByteArray kVelmar =
    R"("seven_day_velmar":{"utilization":90,"resets_at":"2030-01-04T09:00:00.000Z"})";
inline const QByteArray kBootstrap =
    R"({"account":{"memberships":[{"organization":{"uuid":"o","name":"O"}}]}})";

// Breeze Dark as a KDE desktop hands it to Qt: the roles its colour scheme names, every other
// role (the placeholder text among them) left as Qt has it.
inline QPalette darkPalette(QPalette palette)
{
    const QColor window(0x31, 0x36, 0x3B), text(0xEF, 0xF0, 0xF1);
    for (const auto role : {QPalette::Window, QPalette::Button})
        palette.setColor(role, window);
    palette.setColor(QPalette::Base, QColor(0x23, 0x26, 0x29));
    for (const auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
        palette.setColor(role, text);
        palette.setColor(QPalette::Disabled, role, window.darker(50));
    }
    palette.setColor(QPalette::Highlight, QColor(0x3D, 0xAE, 0xE9));
    palette.setColor(QPalette::HighlightedText, QColor(0xFC, 0xFC, 0xFC));
    palette.setColor(QPalette::Mid, window.darker(75));
    return palette;
}

// WCAG 2 contrast ratio, worked out here apart from the program's own.
inline qreal contrast(const QColor& a, const QColor& b)
{
    const auto luminance = [](const QColor& color) {
        const auto linear = [](qreal c) {
            return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * linear(color.redF()) + 0.7152 * linear(color.greenF()) +
               0.0722 * linear(color.blueF());
    };
    return (qMax(luminance(a), luminance(b)) + 0.05) / (qMin(luminance(a), luminance(b)) + 0.05);
}

// The colour covering most of the area: what a text there is drawn over.
inline QColor dominantColor(const QImage& image, const QRect& area)
{
    QHash<QRgb, int> counts;
    const QRect inside = area.intersected(image.rect());
    for (int y = inside.top(); y <= inside.bottom(); ++y)
        for (int x = inside.left(); x <= inside.right(); ++x)
            ++counts[image.pixel(x, y)];
    return QColor::fromRgb(std::max_element(counts.cbegin(), counts.cend()).key());
}

// Every text a window shows in the colour its widget resolves; those short of WCAG 2's 4.5:1
// (3:1 when large: 18 pt, or 14 pt bold) on what lies behind them, and labels given less
// height than their text needs at their width, go to `unreadable`.
inline QStringList textsOf(QWidget* window, QStringList& unreadable)
{
    const QImage picture = window->grab().toImage();
    QStringList texts;
    const auto check = [&](const QString& text, const QRect& area, const QColor& color,
                           const QFont& font) {
        texts << text;
        const QColor behind = dominantColor(picture, area);
        const QColor ink = SystemColors::blend(color, behind, color.alphaF());
        const int pixels = QFontInfo(font).pixelSize();
        const bool large = pixels >= 24 || (pixels >= 18.66 && font.weight() >= QFont::Bold);
        if (const qreal ratio = contrast(ink, behind); ratio < (large ? 3.0 : 4.5))
            unreadable << QStringLiteral("\"%1\" %2 on %3: %4:1")
                              .arg(text, ink.name(), behind.name())
                              .arg(ratio, 0, 'f', 2);
    };
    for (QWidget* widget : window->findChildren<QWidget*>()) {
        if (!widget->isVisibleTo(window))
            continue;
        const auto group = widget->isEnabled() ? QPalette::Active : QPalette::Disabled;
        const QRect area(widget->mapTo(window, QPoint()), widget->size());
        const auto add = [&](const QString& text, QPalette::ColorRole role) {
            if (!text.isEmpty())
                check(text, area, widget->palette().color(group, role), widget->font());
        };
        if (auto* label = qobject_cast<QLabel*>(widget)) {
            add(label->text(), label->foregroundRole());
            const int needed = label->hasHeightForWidth() ? label->heightForWidth(label->width())
                                                          : label->sizeHint().height();
            if (!label->text().isEmpty() && needed > label->height())
                unreadable << QStringLiteral("\"%1\" cut: %2 of %3 pixels high")
                                  .arg(label->text())
                                  .arg(label->height())
                                  .arg(needed);
        } else if (auto* box = qobject_cast<QCheckBox*>(widget))
            add(box->text(), QPalette::WindowText);
        else if (auto* button = qobject_cast<QAbstractButton*>(widget))
            add(button->text(), QPalette::ButtonText);
        else if (auto* field = qobject_cast<QLineEdit*>(widget))
            add(field->text().isEmpty() ? field->placeholderText() : field->text(),
                field->text().isEmpty() ? QPalette::PlaceholderText : QPalette::Text);
        else if (auto* bar = qobject_cast<UsageBar*>(widget)) {
            for (const UsageBar::TextLine& line : bar->textLines())
                if (!line.text.isEmpty())
                    check(line.text, line.box.toRect().translated(area.topLeft()), line.color,
                          line.font);
        } else if (auto* chart = qobject_cast<HistoryChart*>(widget))
            for (const HistoryChart::TextLine& line : chart->textLines()) {
                check(line.text, line.box.toRect().translated(area.topLeft()), line.color,
                      line.font);
                const QRectF room(0, 0, line.box.width(), 1e4); // it wraps, or it fits
                const QSizeF needed =
                    QFontMetricsF(line.font).boundingRect(room, Qt::TextWordWrap, line.text).size();
                if (!QRectF(chart->rect()).contains(line.box) ||
                    needed.width() > line.box.width() + 0.5 ||
                    needed.height() > line.box.height() + 0.5)
                    unreadable << QStringLiteral("\"%1\" cut or off the chart").arg(line.text);
            }
    }
    if (texts.size() < 3)
        unreadable << QStringLiteral("only %1 texts found").arg(texts.size());
    return texts;
}

// Every text readable, and each expected one part of a text on show.
inline void checkTexts(QWidget* window, const QStringList& expected = {})
{
    QStringList unreadable;
    const QStringList texts = textsOf(window, unreadable);
    QVERIFY2(unreadable.isEmpty(), qPrintable(unreadable.join(QLatin1String("; "))));
    for (const QString& text : expected)
        QVERIFY2(!texts.filter(text).isEmpty(), qPrintable(text + QLatin1String(" not shown")));
}

// Which of the named parts the window shows; a bar's forecast line counts as "forecast:" + bar.
inline QStringList shownOf(const QWidget* window, const QStringList& names)
{
    QStringList shown;
    for (const QString& name : names) {
        const bool forecast = name.startsWith(QLatin1String("forecast:"));
        const QWidget* part = window->findChild<QWidget*>(forecast ? name.mid(9) : name);
        if (part && forecast)
            part = part->findChild<QLabel*>(QStringLiteral("forecastText"));
        if (part && part->isVisibleTo(window))
            shown << name;
    }
    return shown;
}

// As tall as its content at its width, as the panel and the settings window size it. A hidden
// window's layouts keep what their parts asked for when last shown: ask anew.
inline void layOut(QWidget* window)
{
    window->ensurePolished();
    for (QWidget* part : window->findChildren<QWidget*>())
        part->updateGeometry();
    window->resize(window->width(), window->hasHeightForWidth()
                                        ? window->heightForWidth(window->width())
                                        : window->sizeHint().height());
}

// Each test function in a temporary home, against the service, with the light palette put back
// and no window left behind.
class ScreenTest : public QObject
{
protected:
    void setUp()
    {
        m_home = std::make_unique<TemporaryHome>();
        m_light = QApplication::palette();
        m_recorder = {};
        m_service = std::make_unique<UsageService>();
        m_service->setBootstrap(200, kBootstrap);
    }
    void tearDown()
    {
        for (QWidget* window : QApplication::topLevelWidgets())
            delete window;
        QApplication::setPalette(m_light);
        m_service.reset();
        m_home.reset();
    }

    QStringList arguments(const QStringList& more) const
    {
        return QStringList{"pallowe", "--service-origin=" + m_service->origin()} + more;
    }
    void refreshWith(AppState& state, const QByteArray& body, int status = 200)
    {
        m_service->setUsageBody(body, status);
        state.refresh();
        QTRY_VERIFY(!state.isLoading());
    }

    std::unique_ptr<TemporaryHome> m_home;
    QPalette m_light;
    Recorder m_recorder;
    std::unique_ptr<UsageService> m_service;
};
