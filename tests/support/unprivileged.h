#pragma once

#include <cstdint>

// While it lives, the calling thread is subject to file permissions as an ordinary user is:
// a root test process drops CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH and CAP_FOWNER from its
// effective set (they stay permitted, so the destructor raises them again). For a process that
// never had them it changes nothing. Commands under test must run on this thread.
class Unprivileged {
public:
    Unprivileged();
    ~Unprivileged();
    Unprivileged(const Unprivileged&) = delete;
    Unprivileged& operator=(const Unprivileged&) = delete;

    // True when permission bits now apply to this thread (checked on a real file).
    bool PermissionsApply() const { return m_bApply; }

private:
    std::uint32_t m_effective[2] {};
    bool m_bChanged = false;
    bool m_bApply = false;
};
