#pragma once

#include <QString>
#include <QWidget>

class UsageBar;

// The place of one usage row in a panel. The row exists only while its window is in the
// report: a row that comes back is a new row, and only a row that stays animates its
// changes.
class BarSlot : public QWidget
{
    Q_OBJECT

public:
    explicit BarSlot(QWidget* parent = nullptr);

    void showBar(const QString& title, double percent, const QString& resetLabel);
    void clear();
    UsageBar* bar() const { return m_bar; }

private:
    UsageBar* m_bar = nullptr;
};
