#include "engine/model.h"

InstallationModel model;

void InstallationModel::Clear() {
    sections.clear();
    files.clear();
    windows.clear();
    deferredStatements.clear();
}
