#include "devservice/FaultTable.h"

#include <chrono>

namespace {

bool matches(const std::string& pattern, const std::string& path) {
    if (!pattern.empty() && pattern.back() == '*')
        return path.compare(0, pattern.size() - 1, pattern, 0, pattern.size() - 1) == 0;
    return pattern == path;
}

} // namespace

void FaultTable::Set(const Fault& fault) {
    std::lock_guard lock(mutex_);
    std::erase_if(faults_, [&](const Fault& f) { return f.path == fault.path; });
    faults_.push_back(fault);
}

void FaultTable::Clear() {
    {
        std::lock_guard lock(mutex_);
        faults_.clear();
        ++clears_;
    }
    wake_.notify_all();
}

std::optional<FaultTable::Fault> FaultTable::Take(const std::string& path) {
    std::lock_guard lock(mutex_);
    for (auto it = faults_.begin(); it != faults_.end(); ++it) {
        if (!matches(it->path, path))
            continue;
        Fault fault = *it;
        if (it->times > 0 && --it->times == 0)
            faults_.erase(it);
        return fault;
    }
    return std::nullopt;
}

bool FaultTable::Sleep(int ms) {
    std::unique_lock lock(mutex_);
    const unsigned long clears = clears_;
    wake_.wait_for(lock, std::chrono::milliseconds(ms), [&] { return stopping_ || clears_ != clears; });
    return !stopping_;
}

void FaultTable::Stop() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
}
