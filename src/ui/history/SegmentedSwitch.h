#pragma once

#include <QStringList>
#include <QWidget>

class QButtonGroup;

// A few mutually exclusive choices side by side in one shaded, rounded track, the chosen one
// raised on a card of the window's colour. The arrow keys move between them.
class SegmentedSwitch : public QWidget
{
    Q_OBJECT

public:
    explicit SegmentedSwitch(const QStringList& choices, QWidget* parent = nullptr);

    int current() const;
    void setCurrent(int index);

signals:
    void currentChanged(int index);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QButtonGroup* m_group = nullptr;
};
