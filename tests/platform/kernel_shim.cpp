// SPDX-License-Identifier: MIT
// Deliberately includes no libc header that declares open, ioctl or close,
// so these definitions cannot clash with the headers' redirections.
#include "tests/platform/kernel_shim.h"

#include <dlfcn.h>
#include <linux/i2c-dev.h>
#include <linux/i2c.h>

#include <cerrno>
#include <cstdarg>
#include <cstring>
#include <ctime>

#include <poll.h>
#include <signal.h>

namespace kernel_shim {

namespace {
std::vector<Call> recorded;
bool openFails = false;
bool slaveFails = false;
bool smbusFails = false;
int interruptions = 0;
long interruptSliceMs = 0;
constexpr unsigned long kPiAdapter = I2C_FUNC_I2C | I2C_FUNC_SMBUS_EMUL;
unsigned long adapterFunctions = kPiAdapter;
}  // namespace

void reset()
{
    recorded.clear();
    openFails = slaveFails = smbusFails = false;
    interruptions = 0;
    adapterFunctions = kPiAdapter;
}
void setAdapterFunctions(unsigned long functions) { adapterFunctions = functions; }
const std::vector<Call>& calls() { return recorded; }
void failOpen(bool fail) { openFails = fail; }
void failSlaveIoctl(bool fail) { slaveFails = fail; }
void failSmbus(bool fail) { smbusFails = fail; }
void interruptSleeps(int count, long sliceMs)
{
    interruptions = count;
    interruptSliceMs = sliceMs;
}

}  // namespace kernel_shim

using namespace kernel_shim;

namespace {

template <typename F>
F next(const char* name)
{
    return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

int shimOpen(const char* realName, const char* path, int flags, va_list args)
{
    int mode = 0;
    if ((flags & 0100) != 0 || (flags & 020200000) == 020200000) mode = va_arg(args, int);  // O_CREAT, O_TMPFILE
    if (std::strcmp(path, "/dev/i2c-1") != 0) return next<int (*)(const char*, int, ...)>(realName)(path, flags, mode);
    Call call;
    call.name = "open";
    call.path = path;
    call.flags = flags;
    recorded.push_back(call);
    if (openFails) {
        errno = ENOENT;
        return -1;
    }
    return kBusFd;
}

}  // namespace

extern "C" int open(const char* path, int flags, ...)
{
    va_list args;
    va_start(args, flags);
    const int fd = shimOpen("open", path, flags, args);
    va_end(args);
    return fd;
}

extern "C" int open64(const char* path, int flags, ...)
{
    va_list args;
    va_start(args, flags);
    const int fd = shimOpen("open64", path, flags, args);
    va_end(args);
    return fd;
}

namespace {

int shimIoctl(const char* realName, int fd, unsigned long request, void* argument)
{
    if (fd != kBusFd) return next<int (*)(int, unsigned long, ...)>(realName)(fd, request, argument);

    Call call;
    call.name = "ioctl";
    call.fd = fd;
    call.request = request;
    int result = 0;
    if (request == I2C_SLAVE) {
        call.argument = reinterpret_cast<long>(argument);
        if (slaveFails) result = -1;
    } else if (request == I2C_SMBUS) {
        const auto* data = static_cast<const i2c_smbus_ioctl_data*>(argument);
        call.readWrite = data->read_write;
        call.command = data->command;
        call.size = static_cast<int>(data->size);
        call.dataByte = data->data != nullptr ? data->data->byte : -1;
        // libi2c writes I2C blocks with the older size code; the kernel takes both.
        const bool block = data->size == I2C_SMBUS_I2C_BLOCK_DATA || data->size == I2C_SMBUS_I2C_BLOCK_BROKEN;
        if (block && data->data != nullptr) {
            call.bytes.assign(data->data->block + 1, data->data->block + 1 + data->data->block[0]);
        }
        if (smbusFails) result = -1;
    } else if (request == I2C_FUNCS) {
        *static_cast<unsigned long*>(argument) = adapterFunctions;
    }
    recorded.push_back(call);
    if (result < 0) errno = ENXIO;
    return result;
}

}  // namespace

extern "C" int ioctl(int fd, unsigned long request, ...)
{
    va_list args;
    va_start(args, request);
    void* argument = va_arg(args, void*);
    va_end(args);
    return shimIoctl("ioctl", fd, request, argument);
}

// 32-bit systems with a 64-bit time_t (Debian 13's armhf) call this one.
extern "C" int __ioctl_time64(int fd, unsigned long request, ...)
{
    va_list args;
    va_start(args, request);
    void* argument = va_arg(args, void*);
    va_end(args);
    return shimIoctl("__ioctl_time64", fd, request, argument);
}

extern "C" ssize_t write(int fd, const void* buffer, size_t count)
{
    if (fd != kBusFd) return next<ssize_t (*)(int, const void*, size_t)>("write")(fd, buffer, count);
    Call call;
    call.name = "write";
    call.fd = fd;
    const auto* bytes = static_cast<const unsigned char*>(buffer);
    call.bytes.assign(bytes, bytes + count);
    recorded.push_back(call);
    if (smbusFails) {
        errno = ENXIO;
        return -1;
    }
    return static_cast<ssize_t>(count);
}

extern "C" int close(int fd)
{
    if (fd != kBusFd) return next<int (*)(int)>("close")(fd);
    Call call;
    call.name = "close";
    call.fd = fd;
    recorded.push_back(call);
    return 0;
}

// A sleep is ppoll on no descriptors. An interrupted one takes its slice
// of real time, so that the time left shrinks as it would.
extern "C" int ppoll(struct pollfd* fds, nfds_t count, const struct timespec* timeout, const sigset_t* mask)
{
    if (count != 0 || timeout == nullptr) {
        return next<int (*)(struct pollfd*, nfds_t, const struct timespec*, const sigset_t*)>("ppoll")(fds, count,
                                                                                                       timeout, mask);
    }
    // ppoll's own mask while it waits: a signal held until now comes in.
    sigset_t before;
    if (mask != nullptr) {
        sigprocmask(SIG_SETMASK, mask, &before);
        sigprocmask(SIG_SETMASK, &before, nullptr);
    }
    Call call;
    call.name = "sleep";
    call.seconds = static_cast<long>(timeout->tv_sec);
    call.nanoseconds = timeout->tv_nsec;
    recorded.push_back(call);
    if (interruptions > 0) {
        --interruptions;
        const timespec slice{static_cast<time_t>(interruptSliceMs / 1000), (interruptSliceMs % 1000) * 1000000L};
        clock_nanosleep(CLOCK_MONOTONIC, 0, &slice, nullptr);
        errno = EINTR;
        return -1;
    }
    return 0;
}
