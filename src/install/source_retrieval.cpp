#include "install/source_retrieval.h"

// Placeholder until the installation engine lands.
uint32_t QuerySourceSize(std::size_t) {
    return 0;
}
