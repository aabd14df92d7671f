#pragma once

#include <string>
#include <utility>

// How an operation ended: ok, stopped (by the person or a signal, with nothing
// more to say), or failed with a message that says why, in the words the
// person is shown. Callers pass a status up unchanged until the layer that
// shows it.
class [[nodiscard]] Status {
public:
    Status() = default;

    static Status Stopped() { return Status(Code::Stopped, {}); }
    static Status Failed(std::string message) { return Status(Code::Failed, std::move(message)); }

    bool IsOk() const { return m_code == Code::Ok; }
    bool IsStopped() const { return m_code == Code::Stopped; }
    bool IsFailed() const { return m_code == Code::Failed; }
    // The reason of a failure; empty otherwise.
    const std::string& Message() const { return m_strMessage; }

private:
    enum class Code { Ok, Stopped, Failed };

    Status(Code code, std::string message) : m_code(code), m_strMessage(std::move(message)) {}

    Code m_code = Code::Ok;
    std::string m_strMessage;
};
