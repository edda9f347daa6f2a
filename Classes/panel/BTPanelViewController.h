#pragma once
// The settings panel's controller: loads the panel window from its Designer
// layout, fills the controls from the driver, writes every change straight
// into the driver and reflects driver events back; places the panel under
// the tray icon's reference rectangle and animates it in and out.
#include <QObject>

class BTPanelView;
class PanelControllerDelegate;

class BTPanelViewController : public QObject {
    Q_OBJECT
public:
    explicit BTPanelViewController(PanelControllerDelegate* delegate);
    ~BTPanelViewController() override;

    BTPanelView* window();

    // Whether the panel was last asked to be open. Setting a new value opens
    // or closes the panel and emits hasActivePanelChanged; the same value does nothing.
    bool hasActivePanel() const;
    void setHasActivePanel(bool active);
    void openPanel();
    void closePanel();

signals:
    void hasActivePanelChanged(bool active);
};
