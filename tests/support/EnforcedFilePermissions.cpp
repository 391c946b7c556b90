#include "EnforcedFilePermissions.h"

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

constexpr std::uint32_t overrideCapabilities = (1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH);

// Capabilities are per thread at the system-call level; the raw calls keep the change on
// this thread, where the code under test does its file work.
bool changeEffective(std::uint32_t clear, std::uint32_t set, std::uint32_t *cleared)
{
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[2]{};
    if (syscall(SYS_capget, &header, data) != 0)
        return false;
    if (cleared)
        *cleared = data[0].effective & clear;
    data[0].effective = (data[0].effective & ~clear) | set;
    return syscall(SYS_capset, &header, data) == 0;
}

}

EnforcedFilePermissions::EnforcedFilePermissions()
{
    std::uint32_t lifted = 0;
    if (changeEffective(overrideCapabilities, 0, &lifted))
        m_lifted = lifted;
}

EnforcedFilePermissions::~EnforcedFilePermissions()
{
    if (m_lifted)
        changeEffective(0, m_lifted, nullptr);
}
