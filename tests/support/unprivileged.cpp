#include "support/unprivileged.h"

#include <cstdlib>
#include <fcntl.h>
#include <linux/capability.h>
#include <string>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

bool GetCaps(__user_cap_data_struct (&data)[2])
{
    __user_cap_header_struct header {_LINUX_CAPABILITY_VERSION_3, 0};
    return ::syscall(SYS_capget, &header, data) == 0;
}

bool SetCaps(__user_cap_data_struct (&data)[2])
{
    __user_cap_header_struct header {_LINUX_CAPABILITY_VERSION_3, 0};
    return ::syscall(SYS_capset, &header, data) == 0;
}

// Whether a file without any permission bits refuses to open.
bool ProbePermissions()
{
    const char* base = std::getenv("TMPDIR");
    std::string path = std::string(base && *base ? base : "/tmp") + "/sonivar-perm-XXXXXX";
    const int fd = ::mkstemp(path.data());
    if (fd < 0)
        return false;
    ::close(fd);
    ::chmod(path.c_str(), 0);
    const int probe = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (probe >= 0)
        ::close(probe);
    ::unlink(path.c_str());
    return probe < 0;
}

} // namespace

Unprivileged::Unprivileged()
{
    __user_cap_data_struct data[2] {};
    if (GetCaps(data)) {
        m_effective[0] = data[0].effective;
        m_effective[1] = data[1].effective;
        const std::uint32_t drop
            = (1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH) | (1u << CAP_FOWNER);
        if (data[0].effective & drop) {
            data[0].effective &= ~drop;
            m_bChanged = SetCaps(data);
        }
    }
    m_bApply = ProbePermissions();
}

Unprivileged::~Unprivileged()
{
    if (!m_bChanged)
        return;
    __user_cap_data_struct data[2] {};
    if (GetCaps(data)) {
        data[0].effective = m_effective[0];
        data[1].effective = m_effective[1];
        SetCaps(data);
    }
}
