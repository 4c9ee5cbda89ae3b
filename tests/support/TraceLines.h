#pragma once
// Reads a saved trace of an update as a script would: the bytes handed to the line, in order,
// and the steps with their results.

#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

namespace updater::testing {

struct TraceStep {
    std::string name;
    std::string result;  // "ok" or "failed"
    std::string code;    // "0xFFFF0005"
    std::string fault;   // a failed step's fault ("timeout", "not-open", ...); empty for ok
};

// The value of key in a line of bare words ("name=FindRadio"); empty when absent.
inline std::string TraceField(const std::string& line, const std::string& key) {
    std::istringstream words(line);
    for (std::string word; words >> word;) {
        if (word.rfind(key + "=", 0) == 0) return word.substr(key.size() + 1);
    }
    return {};
}

// The event word of a line ("<seconds> <event> ..."); empty for comments.
inline std::string TraceEvent(const std::string& line) {
    if (line.empty() || line[0] == '#') return {};
    std::istringstream words(line);
    std::string seconds, event;
    words >> seconds >> event;
    return event;
}

// The wire bytes of every write the line took, in order.
inline std::vector<uint8_t> TraceWrittenBytes(const std::string& trace) {
    std::vector<uint8_t> bytes;
    std::istringstream lines(trace);
    for (std::string line; std::getline(lines, line);) {
        if (TraceEvent(line) != "write" || TraceField(line, "result") != "ok") continue;
        const std::string hex = TraceField(line, "wire");
        for (size_t i = 0; i + 1 < hex.size(); i += 2) {
            bytes.push_back(static_cast<uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
        }
    }
    return bytes;
}

inline std::vector<TraceStep> TraceSteps(const std::string& trace) {
    std::vector<TraceStep> steps;
    std::istringstream lines(trace);
    for (std::string line; std::getline(lines, line);) {
        if (TraceEvent(line) != "step") continue;
        steps.push_back({TraceField(line, "name"), TraceField(line, "result"),
                         TraceField(line, "code"), TraceField(line, "fault")});
    }
    return steps;
}

// The last line's event and fields, for the outcome.
inline std::string TraceLastLine(const std::string& trace) {
    std::istringstream lines(trace);
    std::string last;
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty()) last = line;
    }
    return last;
}

// Empty when the trace ends as a failed update must: its last step is failingStep, failed with
// code, and the outcome after it says the same; otherwise what differs.
inline std::string TraceEndMismatch(const std::string& trace, const std::string& failingStep,
                                    const std::string& code) {
    const std::vector<TraceStep> steps = TraceSteps(trace);
    if (steps.empty()) return "no step in the trace";
    const TraceStep& step = steps.back();
    if (step.name != failingStep || step.result != "failed" || step.code != code) {
        return "last step " + step.name + " result=" + step.result + " code=" + step.code;
    }
    const std::string last = TraceLastLine(trace);
    if (TraceEvent(last) != "outcome" || TraceField(last, "result") != "0" ||
        TraceField(last, "code") != code) {
        return "last line: " + last;
    }
    return "";
}

}  // namespace updater::testing
