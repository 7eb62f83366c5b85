#pragma once

#include "ui/style/PanelStyle.h"
#include "ui/style/SymbolIcon.h"

#include <QFont>
#include <QWidget>

class QLabel;

// A symbol followed by a text, both in one size and tone: the label of a titled box.
class IconTitleLabel : public QWidget
{
    Q_OBJECT

public:
    IconTitleLabel(SymbolIcon::Name symbol, const QString& text, qreal size, QFont::Weight weight,
                   PanelStyle::Tone tone, QWidget* parent = nullptr);

    QString text() const;

private:
    QLabel* m_text = nullptr;
};
