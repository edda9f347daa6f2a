#pragma once
// What the settings panel asks of the application: the tray icon's view to
// size the panel's reference rectangle by.
class BTPanelViewController;
class BTStatusItemView;

class PanelControllerDelegate {
public:
    virtual ~PanelControllerDelegate() = default;
    // The status item view to place the panel by; null: none (the panel then
    // uses the fallback size).
    virtual BTStatusItemView* statusItemViewForPanelController(BTPanelViewController* controller) = 0;
};
