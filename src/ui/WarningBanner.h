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

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QLabel* m_text = nullptr;
};
