#pragma once

#include <QWidget>

// A one-pixel horizontal separator line in the desktop's separator colour.
class Divider : public QWidget
{
    Q_OBJECT

public:
    explicit Divider(QWidget* parent = nullptr);

    QSize sizeHint() const override { return {1, 1}; }

protected:
    void paintEvent(QPaintEvent* event) override;
};
