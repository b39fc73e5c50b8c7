// File operations of the host build (the compressor tool, tests and bench).
#include <errno.h>
#include <pthread.h>
#include <semaphore.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "comp_file.h"
#include "comp_thread.h"

namespace {

constexpr uint64_t kUnixEpochIn1601 = 11644473600ULL;  // seconds from 1601 to 1970

std::string DirectoryOf(const std::string& path)
{
    size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

bool TCompInFile::Open(const char* path)
{
    Close();
    int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return false;
    }
    handle_ = fd;
    return true;
}

int64_t TCompInFile::Read(void* buffer, size_t size)
{
    for (;;) {
        ssize_t n = ::read(static_cast<int>(handle_), buffer, size);
        if (n >= 0) return n;
        if (errno != EINTR) return -1;
    }
}

bool TCompInFile::Seek(uint64_t offset)
{
    return handle_ != -1 && ::lseek(static_cast<int>(handle_), static_cast<off_t>(offset), SEEK_SET) >= 0;
}

int64_t TCompInFile::Size()
{
    struct stat st;
    if (handle_ < 0 || fstat(static_cast<int>(handle_), &st) != 0) return -1;
    return st.st_size;
}

uint64_t TCompInFile::LastWriteTime()
{
    struct stat st;
    if (handle_ < 0 || fstat(static_cast<int>(handle_), &st) != 0 || st.st_mtim.tv_sec < 0) return 0;
    return (static_cast<uint64_t>(st.st_mtim.tv_sec) + kUnixEpochIn1601) * 10000000ULL +
           static_cast<uint64_t>(st.st_mtim.tv_nsec) / 100;
}

void TCompInFile::Close()
{
    if (handle_ >= 0) ::close(static_cast<int>(handle_));
    handle_ = -1;
}

TCompOutFile::~TCompOutFile()
{
    Close();
    if (!committed_ && !path_.empty()) ::unlink(path_.c_str());
}

void TCompOutFile::Close()
{
    if (handle_ >= 0) ::close(static_cast<int>(handle_));
    handle_ = -1;
}

bool TCompOutFile::Create(const char* target)
{
    if (!target_.Assign(target)) return false;
    std::string name = DirectoryOf(target) + "/.tnc-XXXXXX";
    int fd = mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0) return false;
    handle_ = fd;
    if (!path_.Assign(name.c_str())) {
        ::close(fd);
        handle_ = -1;
        ::unlink(name.c_str());
        return false;
    }
    // mkstemp makes the file private; a replaced file keeps its mode, a new one gets the usual.
    struct stat st;
    mode_t mode = ::stat(target, &st) == 0 ? (st.st_mode & 07777) : 0644;
    fchmod(fd, mode);
    return true;
}

bool TCompOutFile::Write(const void* data, size_t size)
{
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        ssize_t n = ::write(static_cast<int>(handle_), p, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        p += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

bool TCompOutFile::WriteAt(uint64_t offset, const void* data, size_t size)
{
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        ssize_t n = ::pwrite(static_cast<int>(handle_), p, size, static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        p += n;
        offset += static_cast<uint64_t>(n);
        size -= static_cast<size_t>(n);
    }
    return true;
}

bool TCompOutFile::Commit(uint64_t fileTime, bool newOnly)
{
    if (handle_ < 0) return false;
    int fd = static_cast<int>(handle_);
    if (fileTime != 0) {
        uint64_t seconds = fileTime / 10000000ULL;
        struct timespec times[2];
        times[0].tv_sec = 0;
        times[0].tv_nsec = UTIME_NOW;
        times[1].tv_sec = static_cast<time_t>(seconds) - static_cast<time_t>(kUnixEpochIn1601);
        times[1].tv_nsec = static_cast<long>(fileTime % 10000000ULL) * 100;
        if (futimens(fd, times) != 0) return false;
    }
    handle_ = -1;
    // A late write error (a full disk on a network file system) shows at close.
    if (::close(fd) != 0) return false;
    if (!newOnly) {
        if (::rename(path_.c_str(), target_.c_str()) != 0) return false;
        return committed_ = true;
    }
    // A link fails where the name is taken, as a rename would not.
    if (::link(path_.c_str(), target_.c_str()) != 0) {
        targetExisted_ = errno == EEXIST;
        return false;
    }
    ::unlink(path_.c_str());
    return committed_ = true;
}

bool CompPathExists(const char* path)
{
    struct stat st;
    return ::lstat(path, &st) == 0;
}

namespace {

// Plain data, zeroed when it is allocated.
struct THelper {
    pthread_t thread;
    pthread_mutex_t lock;
    pthread_cond_t changed;
    void (*job)(void*);
    void* argument;
    bool posted;
    bool quit;
};

void* HelperMain(void* p)
{
    auto* h = static_cast<THelper*>(p);
    pthread_mutex_lock(&h->lock);
    for (;;) {
        while (!h->posted && !h->quit) pthread_cond_wait(&h->changed, &h->lock);
        if (h->quit) break;
        pthread_mutex_unlock(&h->lock);
        h->job(h->argument);
        pthread_mutex_lock(&h->lock);
        h->posted = false;
        pthread_cond_broadcast(&h->changed);
    }
    pthread_mutex_unlock(&h->lock);
    return nullptr;
}

}  // namespace

TCompHelperThread::~TCompHelperThread()
{
    auto* h = static_cast<THelper*>(impl_);
    if (!h) return;
    pthread_mutex_lock(&h->lock);
    h->quit = true;
    pthread_cond_broadcast(&h->changed);
    pthread_mutex_unlock(&h->lock);
    pthread_join(h->thread, nullptr);
    pthread_cond_destroy(&h->changed);
    pthread_mutex_destroy(&h->lock);
    free(h);
}

bool TCompHelperThread::Start()
{
    if (impl_) return true;
    if (sysconf(_SC_NPROCESSORS_ONLN) < 2) return false;
    auto* h = static_cast<THelper*>(calloc(1, sizeof(THelper)));
    if (!h) return false;
    pthread_mutex_init(&h->lock, nullptr);
    pthread_cond_init(&h->changed, nullptr);
    if (pthread_create(&h->thread, nullptr, &HelperMain, h) != 0) {
        pthread_cond_destroy(&h->changed);
        pthread_mutex_destroy(&h->lock);
        free(h);
        return false;
    }
    impl_ = h;
    return true;
}

void TCompHelperThread::Post(void (*job)(void*), void* argument)
{
    auto* h = static_cast<THelper*>(impl_);
    pthread_mutex_lock(&h->lock);
    h->job = job;
    h->argument = argument;
    h->posted = true;
    pthread_cond_broadcast(&h->changed);
    pthread_mutex_unlock(&h->lock);
}

void TCompHelperThread::Wait()
{
    auto* h = static_cast<THelper*>(impl_);
    pthread_mutex_lock(&h->lock);
    while (h->posted) pthread_cond_wait(&h->changed, &h->lock);
    pthread_mutex_unlock(&h->lock);
}

namespace {

struct TThreadStart {
    void (*run)(void*);
    void* argument;
    pthread_t thread;
};

void* ThreadMain(void* p)
{
    auto* start = static_cast<TThreadStart*>(p);
    start->run(start->argument);
    return nullptr;
}

}  // namespace

bool TCompThread::Start(void (*run)(void*), void* argument)
{
    if (impl_) return false;
    auto* start = static_cast<TThreadStart*>(calloc(1, sizeof(TThreadStart)));
    if (!start) return false;
    start->run = run;
    start->argument = argument;
    if (pthread_create(&start->thread, nullptr, &ThreadMain, start) != 0) {
        free(start);
        return false;
    }
    impl_ = start;
    return true;
}

void TCompThread::Join()
{
    auto* start = static_cast<TThreadStart*>(impl_);
    if (!start) return;
    pthread_join(start->thread, nullptr);
    free(start);
    impl_ = nullptr;
}

TCompSemaphore::~TCompSemaphore()
{
    if (!impl_) return;
    sem_destroy(static_cast<sem_t*>(impl_));
    free(impl_);
}

bool TCompSemaphore::Create(unsigned count)
{
    auto* s = static_cast<sem_t*>(calloc(1, sizeof(sem_t)));
    if (!s || sem_init(s, 0, count) != 0) {
        free(s);
        return false;
    }
    impl_ = s;
    return true;
}

void TCompSemaphore::Acquire()
{
    while (sem_wait(static_cast<sem_t*>(impl_)) != 0 && errno == EINTR) {}
}

void TCompSemaphore::Release() { sem_post(static_cast<sem_t*>(impl_)); }
