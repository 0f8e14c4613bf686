#include "devsim/SimulatedDevice.h"

namespace lorvena::devsim {

const char* generationName(Generation generation)
{
    switch (generation) {
    case Generation::Old:
        return "old";
    case Generation::Basic:
        return "basic";
    case Generation::Extended:
        return "extended";
    }
    return "?";
}

} // namespace lorvena::devsim
