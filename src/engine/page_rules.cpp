#include "engine/page_rules.h"

bool IsUsableDestination(const std::string& path) {
    return path.size() > 2;
}

bool WillBeInstalled(const SectionRecord& section) {
    return section.mandatory != 0 || section.selected != 0;
}
