#pragma once

#include <QPushButton>

// The rounded push buttons of the panels and the settings form: the accent-filled one for a
// window's main action and a neutral one beside it, drawn alike, colours from the palette.
class PanelButton : public QPushButton
{
    Q_OBJECT

public:
    enum class Kind
    {
        Accent,
        Neutral
    };

    PanelButton(Kind kind, const QString& text, int height, QWidget* parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;

private:
    void restyle();

    Kind m_kind;
    int m_height;
    // A ring shows the focus only when the keyboard moved it here.
    bool m_keyboardFocus = false;
};
