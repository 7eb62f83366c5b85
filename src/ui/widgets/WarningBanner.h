#pragma once

#include <QWidget>

class QLabel;

// The orange-tinted rounded row holding the warning symbol and a message that wraps.
class WarningBanner : public QWidget
{
    Q_OBJECT

public:
    explicit WarningBanner(QWidget* parent = nullptr);

    void setText(const QString& text);
    QString text() const;

    // As wide as the message on one line; a narrower row wraps it.
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    static QColor tint(const QPalette& palette);

    QLabel* m_text = nullptr;
};
