// Stand-ins for the POSIX thread calls the C++ runtime makes (its emergency
// exception pool, static-local guards, thread-local exception state and the
// unwinder's frame registry). setup.exe runs all its code on one thread, so
// a lock never waits and a once-only call needs no lock; defining them here
// keeps the thread library (a twentieth of the program) out of the link.
// The test programs, which run threads, link the real library.
#include <windows.h>

#include <pthread.h>

extern "C" {

int pthread_mutex_init(pthread_mutex_t* m, const pthread_mutexattr_t*)
{
    *m = 0;
    return 0;
}
int pthread_mutex_destroy(pthread_mutex_t*) { return 0; }
int pthread_mutex_lock(pthread_mutex_t*) { return 0; }
int pthread_mutex_unlock(pthread_mutex_t*) { return 0; }

int pthread_once(pthread_once_t* once, void (*init)(void))
{
    if (*once == PTHREAD_ONCE_INIT) {
        *once = 1;
        init();
    }
    return 0;
}

// A static local whose initialiser is running is never waited for by
// another thread here.
int pthread_cond_wait(pthread_cond_t*, pthread_mutex_t*) { return 0; }
int pthread_cond_broadcast(pthread_cond_t*) { return 0; }

// Thread-local values live in the system's thread-local slots. The one
// thread ends with the process, so the destructor is never due.
int pthread_key_create(pthread_key_t* key, void (*)(void*))
{
    const DWORD slot = TlsAlloc();
    if (slot == TLS_OUT_OF_INDEXES) return 11;  // EAGAIN
    *key = slot;
    return 0;
}
void* pthread_getspecific(pthread_key_t key) { return TlsGetValue(key); }
int pthread_setspecific(pthread_key_t key, const void* value)
{
    return TlsSetValue(key, const_cast<void*>(value)) ? 0 : 22;  // EINVAL
}

}  // extern "C"
