#pragma once

#include "ui/style/SymbolIcon.h"

#include <QWidget>

class IconTitleLabel;
class QVBoxLayout;

// A titled container: a symbol-and-title label above a lightly shaded rounded box that
// holds the content.
class SectionBox : public QWidget
{
    Q_OBJECT

public:
    SectionBox(SymbolIcon::Name symbol, const QString& title, QWidget* parent = nullptr);

    QString title() const;
    // The content column; callers choose its spacing.
    QVBoxLayout* contentLayout() const { return m_content; }

private:
    IconTitleLabel* m_label = nullptr;
    QVBoxLayout* m_content = nullptr;
};
