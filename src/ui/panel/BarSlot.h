#pragma once

#include <QString>
#include <QWidget>

class QLabel;
class UsageBar;

// The place of one usage row in a panel, with the pace forecast under it when there is one.
// The row exists only while its window is in the report: a row that comes back is a new
// row, and only a row that stays animates its changes.
class BarSlot : public QWidget
{
    Q_OBJECT

public:
    explicit BarSlot(QWidget* parent = nullptr);

    // An empty forecast shows no line at all.
    void showBar(const QString& title, double percent, const QString& resetLabel,
                 const QString& forecast = {});
    void clear();
    UsageBar* bar() const { return m_bar; }

private:
    UsageBar* m_bar = nullptr;
    QLabel* m_forecast;
};
