// SPDX-License-Identifier: GPL-3.0-or-later
#include "surface/gdalfile.h"

#include <cpl_error.h>
#include <gdal.h>
#include <ogr_spatialref.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <mutex>
#include <system_error>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "export/exportfile.h"
#include "model/safefile.h"

namespace aq::surface {

namespace fs = std::filesystem;

void UseGdal() {
    static std::once_flag once;
    std::call_once(once, [] { GDALAllRegister(); });
}

namespace {

void CPL_STDCALL KeepError(CPLErr level, CPLErrorNum, const char* message) {
    if (level < CE_Failure || !message) return;
    auto* self = static_cast<std::string*>(CPLGetErrorHandlerUserData());
    if (self) *self = message;
}

}  // namespace

GdalErrors::GdalErrors() { CPLPushErrorHandlerEx(KeepError, &last_); }

GdalErrors::~GdalErrors() { CPLPopErrorHandler(); }

std::string GdalErrors::Text(const std::string& fallback) const { return last_.empty() ? fallback : last_; }

namespace {

// Work folders are ".aq-gdal-HHHHHHHH-XXXXXX", tied to their target by a hash of its
// name as the new files of a save are, and locked while in use.
std::string WorkPrefix(const std::string& name) {
    uint32_t h = 2166136261u;
    for (const unsigned char c : name) h = (h ^ c) * 16777619u;
    char text[32];
    std::snprintf(text, sizeof text, ".aq-gdal-%08x-", h);
    return text;
}

std::string TempFolder() {
    const char* tmp = std::getenv("TMPDIR");
    return tmp && *tmp ? tmp : "/tmp";
}

// Removes the work folders of outputs to `name` in `dir` whose process has ended.
void RemoveStale(const std::string& dir, const std::string& prefix) {
    DIR* d = ::opendir(dir.c_str());
    if (!d) return;
    std::vector<std::string> stale;
    const time_t now = std::time(nullptr);
    while (const dirent* e = ::readdir(d)) {
        const std::string entry = e->d_name;
        if (entry.size() != prefix.size() + 6 || entry.compare(0, prefix.size(), prefix) != 0) continue;
        const int fd = ::openat(::dirfd(d), entry.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0) continue;
        struct stat st {};
        if (::fstat(fd, &st) == 0 && st.st_uid == ::geteuid() && now - st.st_mtime >= 2 &&
            ::flock(fd, LOCK_EX | LOCK_NB) == 0)
            stale.push_back(dir + "/" + entry);
        ::close(fd);
    }
    ::closedir(d);
    for (const std::string& path : stale) {
        std::error_code ec;
        fs::remove_all(path, ec);
    }
}

// Copies a finished file into `dest` through an AtomicFile: in place for a file that
// cannot be renamed over, in order for a FIFO or device. Returns 0 or the error number.
int CopyInto(const std::string& from, const std::string& dest) {
    int err = 0;
    const int in = OpenForReading(from, err);
    if (in < 0) return err;
    AtomicFile out(dest);
    std::vector<uint8_t> block(size_t{1} << 20);
    for (;;) {
        const ssize_t n = ::read(in, block.data(), block.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            err = errno;
            break;
        }
        if (n == 0) break;
        if (!out.Write(block.data(), static_cast<size_t>(n))) break;
    }
    ::close(in);
    if (err != 0) return err;
    if (!out.Commit()) return out.Error() != 0 ? out.Error() : EIO;
    return 0;
}

// Puts the finished file `from` at `dest` by the rules of every save. Returns 0 or the
// error number.
int HandOver(const std::string& from, const std::string& dest) {
    struct stat st {};
    std::error_code ec;
    if (::stat(dest.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) return EISDIR;
        if (S_ISFIFO(st.st_mode) || S_ISCHR(st.st_mode)) return CopyInto(from, dest);
        if (!S_ISREG(st.st_mode)) return kErrNotRegularFile;
        fs::path place = fs::canonical(dest, ec);
        if (ec) place = dest;
        if (::faccessat(AT_FDCWD, place.c_str(), W_OK, AT_EACCESS) != 0) return errno;
        // Other names of the same file keep seeing the new content only if it is
        // written into that file.
        if (st.st_nlink > 1) return CopyInto(from, dest);
        const int fd = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) return errno;
        struct stat mine {};
        bool keepable = ::fstat(fd, &mine) == 0;
        if (keepable && (mine.st_uid != st.st_uid || mine.st_gid != st.st_gid))
            keepable = ::fchown(fd, st.st_uid, st.st_gid) == 0;
        if (!keepable) {
            ::close(fd);
            return CopyInto(from, dest);
        }
        ::fchmod(fd, st.st_mode & 07777);
        const bool synced = ::fsync(fd) == 0;
        const int syncErr = errno;
        ::close(fd);
        if (!synced) return syncErr;
        if (::rename(from.c_str(), place.c_str()) == 0) return 0;
        const int err = errno;
        if (err == EXDEV || err == EBUSY || err == EPERM || err == EACCES) return CopyInto(from, dest);
        return err;
    }
    if (errno != ENOENT) return errno;
    fs::path place = fs::weakly_canonical(fs::path(dest), ec);
    if (ec) place = dest;
    const int fd = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return errno;
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);
    const bool synced = ::fsync(fd) == 0;
    const int syncErr = errno;
    ::close(fd);
    if (!synced) return syncErr;
    if (::rename(from.c_str(), place.c_str()) == 0) return 0;
    if (errno == EXDEV) return CopyInto(from, dest);
    return errno;
}

}  // namespace

GdalOutput::GdalOutput(std::string target) : target_(std::move(target)) {}

GdalOutput::~GdalOutput() {
    if (!work_.empty()) {
        std::error_code ec;
        fs::remove_all(work_, ec);
    }
    if (lock_ >= 0) ::close(lock_);
}

bool GdalOutput::Open(std::string& error) {
    const auto fail = [&](int err) {
        error = exporting::FileErrorText(target_, err);
        return false;
    };
    if (target_.empty()) return fail(ENOENT);
    struct stat st {};
    bool device = false, exists = false;
    std::error_code ec;
    fs::path place;
    if (::stat(target_.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) return fail(EISDIR);
        device = S_ISFIFO(st.st_mode) || S_ISCHR(st.st_mode);
        if (!device && !S_ISREG(st.st_mode)) return fail(kErrNotRegularFile);
        exists = true;
        if (!device) {
            place = fs::canonical(target_, ec);
            if (ec) place = target_;
            if (::faccessat(AT_FDCWD, place.c_str(), W_OK, AT_EACCESS) != 0) return fail(errno);
        }
    } else if (errno == ENOENT) {
        place = fs::weakly_canonical(fs::path(target_), ec);
        if (ec) place = target_;
    } else {
        return fail(errno);
    }
    if (device) place = target_;
    place_ = place.string();
    folder_ = place.has_parent_path() ? place.parent_path().string() : std::string(".");
    if (folder_.empty()) folder_ = "/";
    name_ = place.filename().string();
    if (name_.empty()) return fail(EISDIR);

    const std::string prefix = WorkPrefix(name_);
    std::string base = device ? TempFolder() : folder_;
    RemoveStale(base, prefix);
    std::string tmpl = base + "/" + prefix + "XXXXXX";
    if (!::mkdtemp(tmpl.data())) {
        const int err = errno;
        // A folder that takes no new file may still hold a file the user may write:
        // GDAL writes elsewhere and the file is rewritten in place.
        if (!(exists && (err == EACCES || err == EPERM || err == EROFS))) return fail(err);
        base = TempFolder();
        RemoveStale(base, prefix);
        tmpl = base + "/" + prefix + "XXXXXX";
        if (!::mkdtemp(tmpl.data())) return fail(errno);
    }
    work_ = tmpl;
    lock_ = ::open(work_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (lock_ >= 0) (void)::flock(lock_, LOCK_EX | LOCK_NB);
    workPath_ = work_ + "/" + name_;
    return true;
}

bool GdalOutput::Commit(std::string& error) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const fs::directory_entry& e : fs::directory_iterator(work_, ec))
        if (e.is_regular_file()) names.push_back(e.path().filename().string());
    if (ec) {
        error = exporting::FileErrorText(target_, ec.value());
        return false;
    }
    bool made = false;
    for (const std::string& n : names) made |= n == name_;
    if (!made) {
        error = exporting::FileErrorText(target_, 0);
        return false;
    }
    // The companions first: should one fail, the target is still the old one.
    for (const std::string& n : names) {
        if (n == name_) continue;
        const std::string dest = folder_ + "/" + n;
        if (const int err = HandOver(work_ + "/" + n, dest); err != 0) {
            error = exporting::FileErrorText(dest, err);
            return false;
        }
    }
    if (const int err = HandOver(workPath_, place_); err != 0) {
        error = exporting::FileErrorText(target_, err);
        return false;
    }
    return true;
}

bool CrsFromDefinition(const std::string& text, CoordinateSystem& out, std::string& error) {
    UseGdal();
    GdalErrors errors;
    OGRSpatialReference srs;
    if (text.empty() || srs.SetFromUserInput(text.c_str()) != OGRERR_NONE) {
        error = "PROJ does not know the coordinate system \"" + text + "\" (" + errors.Text("no such system") + ").";
        return false;
    }
    char* wkt = nullptr;
    const char* const options[] = {"FORMAT=WKT2_2019", "MULTILINE=NO", nullptr};
    if (srs.exportToWkt(&wkt, options) != OGRERR_NONE || !wkt) {
        CPLFree(wkt);
        error = "The coordinate system \"" + text + "\" cannot be written as WKT (" + errors.Text() + ").";
        return false;
    }
    out = CoordinateSystem{};
    out.wkt = wkt;
    CPLFree(wkt);
    out.definition = text;
    out.name = srs.GetName() ? srs.GetName() : text;
    out.kind = srs.IsLocal() ? CrsKind::LocalGrid : srs.IsGeographic() ? CrsKind::Geographic : CrsKind::Projected;
    if (const char* code = srs.GetAuthorityCode(nullptr); code && srs.GetAuthorityName(nullptr) &&
                                                           std::string(srs.GetAuthorityName(nullptr)) == "EPSG")
        out.epsg = std::atoi(code);
    return true;
}

}  // namespace aq::surface
