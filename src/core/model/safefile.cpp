// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/safefile.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <system_error>

#if defined(_WIN32)
#include <io.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace aq {

namespace fs = std::filesystem;

namespace {

fs::path ResolveTarget(const std::string& path) {
    fs::path target(path);
    std::error_code ec;
    if (fs::is_symlink(target, ec)) {
        const fs::path resolved = fs::weakly_canonical(target, ec);
        if (!ec) target = resolved;
    }
    return target;
}

#if !defined(_WIN32)
bool WriteAll(int fd, const uint8_t* p, size_t n) {
    while (n > 0) {
        const ssize_t w = ::write(fd, p, n);
        if (w < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        p += w;
        n -= static_cast<size_t>(w);
    }
    return true;
}
#endif

}  // namespace

bool WriteFileAtomically(const std::string& path, const uint8_t* data, size_t size) {
    const fs::path target = ResolveTarget(path);
    std::error_code ec;
    if (fs::is_directory(target, ec)) return false;
    const fs::path dir = target.has_parent_path() ? target.parent_path() : fs::path(".");
#if defined(_WIN32)
    std::random_device rd;
    const fs::path tmp = dir / ("." + target.filename().string() + "." + std::to_string(rd()) + ".tmp");
    bool ok;
    {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        ok = static_cast<bool>(out);
        if (ok) ok = static_cast<bool>(out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size)));
        if (ok) ok = static_cast<bool>(out.flush());
    }
    if (ok) {
        fs::rename(tmp, target, ec);
        ok = !ec;
    }
    if (!ok) fs::remove(tmp, ec);
    return ok;
#else
    std::string tmpl = dir.string();
    tmpl += "/.";
    tmpl += target.filename().string();
    tmpl += ".XXXXXX";
    const int fd = ::mkstemp(tmpl.data());
    if (fd < 0) return false;
    bool ok = WriteAll(fd, data, size) && ::fsync(fd) == 0;
    if (ok) {
        // Keep the permissions of the file being replaced, or the usual ones of a new file.
        struct stat st {};
        if (::stat(target.c_str(), &st) == 0) {
            ::fchmod(fd, st.st_mode & 07777);
        } else {
            const mode_t mask = ::umask(0);
            ::umask(mask);
            ::fchmod(fd, 0666 & ~mask);
        }
    }
    ok = (::close(fd) == 0) && ok;
    if (ok) ok = ::rename(tmpl.c_str(), target.c_str()) == 0;
    if (!ok) ::unlink(tmpl.c_str());
    return ok;
#endif
}

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& out) {
    std::error_code ec;
    if (fs::is_directory(path, ec)) return false;
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    if (size < 0) return false;
    in.seekg(0, std::ios::beg);
    out.resize(static_cast<size_t>(size));
    if (size > 0 && !in.read(reinterpret_cast<char*>(out.data()), size)) return false;
    return true;
}

}  // namespace aq
