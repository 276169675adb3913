#pragma once
#include "toolkit/VisualManager.h"

// The application's look: the Office 2003 look in one fixed light-blue palette
// that ignores the Windows colour scheme and visual style.
class CTidewellVisualManager : public CBCGPVisualManager2003 {
public:
    // Applies the palette when the screen shows more than 256 colours.
    CTidewellVisualManager();
    // The same for a screen of the given depth.
    explicit CTidewellVisualManager(int bitsPerPixel);
    ~CTidewellVisualManager() override;

    const char* GetRuntimeClassName() const override { return "CTidewellVisualManager"; }
    // The palette is fixed: later changes of the system colours leave it alone.
    void OnUpdateSystemColors() override {}
    void SetupGlobalColors() override;
};
