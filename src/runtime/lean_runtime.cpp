// Smaller stand-ins for two parts of the C++ runtime that setup.exe would
// otherwise carry for nothing; defining them here keeps the library's own
// objects out of the link.
//
// - The verbose terminate handler prints the uncaught exception's type to
//   standard error, which a window program does not have; with it come a
//   name demangler and a printf, a seventh of the program.
// - The library's error throwers build their exceptions around a
//   reference-counted string type of their own, a second copy of the string
//   code. Here they throw the same standard types where those carry no text,
//   and otherwise an exception whose what() is the library's message; the
//   program catches these only as std::exception.
#include <cstdlib>
#include <exception>
#include <new>
#include <typeinfo>

namespace {

class TLibraryError : public std::exception {
public:
    explicit TLibraryError(const char* what) : what_(what ? what : "library error") {}
    const char* what() const noexcept override { return what_; }

private:
    const char* what_;  // the library passes literals
};

}  // namespace

namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx

namespace std {
void __throw_bad_alloc() { throw bad_alloc(); }
void __throw_bad_array_new_length() { throw bad_array_new_length(); }
void __throw_bad_cast() { throw bad_cast(); }
void __throw_bad_typeid() { throw bad_typeid(); }
void __throw_bad_exception() { throw bad_exception(); }
void __throw_logic_error(const char* s) { throw TLibraryError(s); }
void __throw_domain_error(const char* s) { throw TLibraryError(s); }
void __throw_invalid_argument(const char* s) { throw TLibraryError(s); }
void __throw_length_error(const char* s) { throw TLibraryError(s); }
void __throw_out_of_range(const char* s) { throw TLibraryError(s); }
// The format's arguments (index and size) are left out of the message.
void __throw_out_of_range_fmt(const char* fmt, ...) { throw TLibraryError(fmt); }
void __throw_runtime_error(const char* s) { throw TLibraryError(s); }
void __throw_range_error(const char* s) { throw TLibraryError(s); }
void __throw_overflow_error(const char* s) { throw TLibraryError(s); }
void __throw_underflow_error(const char* s) { throw TLibraryError(s); }
}  // namespace std
