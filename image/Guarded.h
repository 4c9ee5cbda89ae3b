#pragma once
// Runs an image operation so that no exception leaves it: running out of memory on a huge or
// hostile image is reported like any other invalid image, as a failure (false).

#include <exception>

namespace updater {

template <class Operation>
bool Guarded(Operation operation) noexcept {
    try {
        return operation();
    } catch (const std::exception&) {
        return false;
    } catch (...) {
        return false;
    }
}

}  // namespace updater
