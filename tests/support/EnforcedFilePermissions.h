#pragma once

#include <cstdint>

// Makes the calling thread obey file permissions while the object lives, also when the
// tests run as root: it lifts the capabilities that override permission checks from the
// thread's effective set and puts them back on destruction. Without such capabilities it
// changes nothing.
class EnforcedFilePermissions
{
public:
    EnforcedFilePermissions();
    ~EnforcedFilePermissions();
    EnforcedFilePermissions(const EnforcedFilePermissions &) = delete;
    EnforcedFilePermissions &operator=(const EnforcedFilePermissions &) = delete;

private:
    std::uint32_t m_lifted = 0;
};
