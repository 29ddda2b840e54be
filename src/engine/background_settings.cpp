#include "engine/background_settings.h"

BackgroundSettings backgroundSettings;

void ResetBackgroundSettings() {
    backgroundSettings = BackgroundSettings();
}
