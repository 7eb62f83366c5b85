#pragma once

#include <QWidget>

class AppState;

// The content of the drop-down panel: the usage panel while a session is configured, the
// setup panel otherwise, switched as soon as isConfigured changes.
class MainView : public QWidget
{
    Q_OBJECT

public:
    explicit MainView(AppState* state, QWidget* parent = nullptr);

    QWidget* currentView() const { return m_current; }

signals:
    void viewChanged();

private:
    void showMatchingView();

    AppState* m_state;
    QWidget* m_current = nullptr;
};
