#pragma once

#include <QString>
#include <QWidget>
#include <optional>

class BusySpinner;
class ElidedLabel;
class QLabel;

// The top row of both panels: the program's symbol and name, the organization under the
// name when there is one, and at the trailing end the busy spinner or the warning symbol.
class PanelHeader : public QWidget
{
    Q_OBJECT

public:
    explicit PanelHeader(QWidget* parent = nullptr);

    void setOrgName(const std::optional<QString>& orgName);
    // Loading wins over an error; the warning symbol's tooltip is the error text.
    void setStatus(bool loading, const std::optional<QString>& error);

private:
    ElidedLabel* m_orgName = nullptr;
    BusySpinner* m_spinner = nullptr;
    QLabel* m_warning = nullptr;
};
