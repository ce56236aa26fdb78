// The four Windows kernel calls the writer makes, provided on POSIX systems by
// a small layer of our own (kernel32.cpp beside this header). The build puts
// this directory on the include path everywhere but Windows, where the
// platform's own <windows.h> stands behind the same header name.
//
// Only the arguments the writer passes are supported; anything else is
// refused the way the real call refuses bad arguments. What each call
// promises is written at its declaration.
#ifndef ZEROFILL_KERNEL32_H
#define ZEROFILL_KERNEL32_H

#include <cstddef>
#include <cstdint>

using BOOL = int;
using UINT = unsigned int;
using DWORD = std::uint32_t;
using SIZE_T = std::size_t;
using HANDLE = void*;
using HLOCAL = void*;
using LPCSTR = const char*;
using LPVOID = void*;
using LPCVOID = const void*;
using LPDWORD = DWORD*;
struct SECURITY_ATTRIBUTES;
using LPSECURITY_ATTRIBUTES = SECURITY_ATTRIBUTES*;
struct OVERLAPPED;
using LPOVERLAPPED = OVERLAPPED*;

inline constexpr DWORD GENERIC_WRITE = 0x40000000U;
inline constexpr DWORD CREATE_ALWAYS = 2U;
inline constexpr UINT LMEM_FIXED = 0x0000U;
inline constexpr UINT LMEM_ZEROINIT = 0x0040U;

// A handle is the file descriptor itself, so -1 is the one invalid value.
// The pointer is what is constant (void* const), as intended.
// NOLINTBEGIN(misc-misplaced-const,cppcoreguidelines-pro-type-reinterpret-cast,performance-no-int-to-ptr)
inline HANDLE const INVALID_HANDLE_VALUE =
    reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(-1));
// NOLINTEND(misc-misplaced-const,cppcoreguidelines-pro-type-reinterpret-cast,performance-no-int-to-ptr)

// Opens `file_name` for writing at offset 0, creating it if missing (mode
// 0666 less the umask). Supports exactly GENERIC_WRITE, share mode 0, no
// security attributes, CREATE_ALWAYS, no flags and no template.
//
// Share mode 0: if another process has a regular file open, the open fails
// and the file is left exactly as it was; only once the file is ours alone is
// it truncated to length zero. A write lease holds every other opener back
// (a non-blocking one is refused) until CloseHandle. Where no lease can be
// had (not the file's owner, a file system without leases) an exclusive
// flock still keeps two of our runs from writing one file at once. A device
// such as /dev/null is simply opened for writing, never truncated.
//
// On first use it sets SIGIO (the lease-break signal) and SIGXFSZ (writing
// past the file-size limit) to be ignored, so that neither ends the process:
// a write past the limit fails instead.
//
// Returns INVALID_HANDLE_VALUE on failure: an empty name, a directory, a
// missing directory, a read-only file system, a refused permission, a file
// in use, or unsupported arguments.
HANDLE CreateFileA(LPCSTR file_name, DWORD desired_access, DWORD share_mode,
                   LPSECURITY_ATTRIBUTES security_attributes,
                   DWORD creation_disposition, DWORD flags_and_attributes,
                   HANDLE template_file);

// Returns `bytes` of fixed memory, all zero when LMEM_ZEROINIT is given, or
// null on failure. Only LMEM_FIXED and LMEM_ZEROINIT are supported. The
// memory is never released by this layer.
HLOCAL LocalAlloc(UINT flags, SIZE_T bytes);

// Writes all `bytes_to_write` bytes synchronously at the current position,
// retrying short writes and interrupted calls. `*bytes_written` receives the
// count actually written (so it equals `bytes_to_write` only on success).
// Returns nonzero only when every byte was written. Overlapped writes are not
// supported, and `bytes_written` must not be null.
BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD bytes_to_write,
               LPDWORD bytes_written, LPOVERLAPPED overlapped);

// Closes the handle, releasing its lease or lock. Returns nonzero when the
// close succeeded, zero when it reported an error (such as a deferred write
// error) or the handle was not open.
BOOL CloseHandle(HANDLE object);

#endif  // ZEROFILL_KERNEL32_H
