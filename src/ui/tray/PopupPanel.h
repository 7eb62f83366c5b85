#pragma once

#include <QElapsedTimer>
#include <QWidget>

class AppState;
class MainView;

// The frameless drop-down that holds MainView, edged in the palette's mid-tone and rounded
// where the window system composites. It closes when the user clicks elsewhere or another
// window takes the focus, and follows its content's height.
class PopupPanel : public QWidget
{
    Q_OBJECT

public:
    explicit PopupPanel(AppState* state, QWidget* parent = nullptr);

    // Null until the panel first opens.
    MainView* mainView() const { return m_mainView; }

    // Shows the panel under the icon when its geometry is valid, else at the pointer.
    void openBelow(const QRect& iconGeometry);
    // True for a moment after the panel closed: the click on the tray icon that closed it
    // must not open it again.
    bool closedJustNow() const;

protected:
    void hideEvent(QHideEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void buildContent();
    void nameAfterView();
    void matchCompositing();
    void keepOnScreen();
    void letGoOfWindow();
    void onFocusWindowChanged(QWindow* window);

    AppState* m_state;
    MainView* m_mainView = nullptr;
    QRect m_iconGeometry;
    QElapsedTimer m_sinceClosed;
};
