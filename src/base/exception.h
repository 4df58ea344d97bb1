// CMyException, the exception that carries a system error code and a readable text, and the
// one-line texts of faults caught inside guarded calls (plug-in code, shared memory).
#pragma once

#include <cstddef>
#include <cstdint>
#include <exception>
#include <string>

#include "platform/fault_record.h"

class CMyException : public std::exception {
public:
    // mode 0: the caller's text followed by the system's description of code;
    // mode 1: the caller's text only (none when it is empty); any other mode: no text.
    CMyException(int mode, std::uint32_t code, const char* format, ...)
        __attribute__((format(printf, 4, 5)));
    ~CMyException() override = default;

    std::uint32_t Code() const { return code_; }
    int Mode() const { return mode_; }
    // The finished message, or nullptr when there is none.
    const char* Text() const { return hasText_ ? text_.c_str() : nullptr; }
    const char* what() const noexcept override { return hasText_ ? text_.c_str() : ""; }

private:
    std::uint32_t code_;
    int mode_;
    bool hasText_ = false;
    std::string text_;
};

// The name of a fault code ("EXCEPTION_ACCESS_VIOLATION"), or nullptr for a code without one.
const char* ExceptionCodeName(std::uint32_t code);

// Writes the one-line text of the fault into buffer (at most size - 1 characters and a zero).
// Always returns 1, the answer "run the handler" of a guard's filter.
int ExceptionText(const FaultRecord& fault, char* buffer, std::size_t size);
