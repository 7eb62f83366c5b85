#pragma once

#include "storage/AppSettings.h"
#include "ui/style/PanelStyle.h"

#include <QWidget>
#include <functional>

class AppState;
class Notifier;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;
class WarningBanner;

// The settings form. It edits a copy of the settings; only "Salva" hands the copy to the
// state and the settings file. A save the file could not take leaves the form open, saying so.
class SettingsView : public QWidget
{
    Q_OBJECT

public:
    static constexpr int kWidth = 340;
    static constexpr int kMinimumThreshold = 50;
    static constexpr int kMaximumThreshold = 95;
    static constexpr int kThresholdStep = 5;

    SettingsView(AppState* state, const AppSettings& currentSettings, Notifier* notifier,
                 std::function<void()> onClose, QWidget* parent = nullptr);

    AppSettings draft() const { return m_draft; }
    QString limitText() const;

    void save();

private:
    QWidget* buildHeader();
    QWidget* buildGroups();
    QWidget* buildAlertGroup();
    QWidget* buildResetBlock(QWidget* parent);
    QWidget* buildCreditsGroup();
    QWidget* buildRefreshGroup();
    QWidget* buildHistoryGroup();
    QWidget* buildSaveError();
    QWidget* buildButtons();

    void setAlertEnabled(bool enabled);
    void setSliderPosition(int position);
    void renderThreshold();
    void renderHistory();

    AppState* m_state;
    Notifier* m_notifier;
    std::function<void()> m_onClose;
    AppSettings m_draft;

    QCheckBox* m_alertToggle = nullptr;
    QWidget* m_thresholdBlock = nullptr;
    QLabel* m_thresholdText = nullptr;
    QSlider* m_slider = nullptr;
    QWidget* m_resetBlock = nullptr;
    QCheckBox* m_resetToggle = nullptr;
    QCheckBox* m_creditsToggle = nullptr;
    QWidget* m_limitBlock = nullptr;
    QLineEdit* m_limitField = nullptr;
    QCheckBox* m_backgroundToggle = nullptr;
    QCheckBox* m_historyToggle = nullptr;
    WarningBanner* m_historyFailure = nullptr;
    QPushButton* m_openHistory = nullptr;
    QCheckBox* m_deleteHistory = nullptr;
    WarningBanner* m_saveError = nullptr;
};
