#pragma once

#include <QWidget>

class AppState;
class BusySpinner;
class QLabel;
class QPushButton;
class QToolButton;
class WarningBanner;

// The panel while no session is configured: what the program needs, the last error and
// the button that opens the web sign-in.
class SetupView : public QWidget
{
    Q_OBJECT

public:
    explicit SetupView(AppState* state, QWidget* parent = nullptr);

private:
    QWidget* buildBody();
    QWidget* buildPrompt();
    QWidget* buildErrorRow();
    QPushButton* buildSignInButton();
    QToolButton* buildAnotherAccountButton();
    void stepAside();
    QWidget* buildFooter();
    void render();

    AppState* m_state;
    QWidget* m_errorRow = nullptr;
    WarningBanner* m_errorBanner = nullptr;
    QPushButton* m_signIn = nullptr;
    BusySpinner* m_signInSpinner = nullptr;
    QLabel* m_signInSymbol = nullptr;
    QLabel* m_signInText = nullptr;
    QToolButton* m_anotherAccount = nullptr;
};
