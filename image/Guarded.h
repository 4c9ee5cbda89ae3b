#pragma once
// Runs an image operation so that no exception leaves it: running out of memory on a huge or
// hostile image is reported like any other invalid image, as result 1.

#include <exception>

namespace updater {

template <class Operation>
int Guarded(Operation operation) noexcept {
    try {
        return operation();
    } catch (const std::exception&) {
        return 1;
    } catch (...) {
        return 1;
    }
}

}  // namespace updater
