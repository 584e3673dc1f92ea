// SPDX-License-Identifier: GPL-3.0-or-later
// Owners of PROJ's context and objects for the coordinate-system units of this library.
#pragma once

#include <proj.h>

#include <string>
#include <utility>

namespace aq::surface::proj {

// A PROJ context of one thread's work. PROJ's own log is silenced: what goes wrong is
// told to the user by the command, in its words.
class Context {
public:
    Context() : ctx_(proj_context_create()) { proj_log_level(ctx_, PJ_LOG_NONE); }
    ~Context() { proj_context_destroy(ctx_); }
    Context(const Context&) = delete;
    Context& operator=(const Context&) = delete;

    PJ_CONTEXT* get() const { return ctx_; }
    // PROJ's words for its last error, or "" when it has none worth repeating (its
    // "Unknown error (code 4096)" says nothing the message does not).
    std::string LastError() const {
        const int err = proj_context_errno(ctx_);
        if (err == 0) return {};
        const char* text = proj_context_errno_string(ctx_, err);
        const std::string words = text ? text : "";
        return words.starts_with("Unknown error") ? std::string() : words;
    }

private:
    PJ_CONTEXT* ctx_;
};

// A PROJ object; must not outlive the context it was made in.
class Object {
public:
    Object() = default;
    explicit Object(PJ* pj) : pj_(pj) {}
    ~Object() {
        if (pj_) proj_destroy(pj_);
    }
    Object(Object&& o) noexcept : pj_(std::exchange(o.pj_, nullptr)) {}
    Object& operator=(Object&& o) noexcept {
        if (this != &o) {
            if (pj_) proj_destroy(pj_);
            pj_ = std::exchange(o.pj_, nullptr);
        }
        return *this;
    }
    Object(const Object&) = delete;
    Object& operator=(const Object&) = delete;

    PJ* get() const { return pj_; }
    explicit operator bool() const { return pj_ != nullptr; }

private:
    PJ* pj_ = nullptr;
};

}  // namespace aq::surface::proj
