#include "dde_recorder.h"

#include <ddeml.h>

namespace {
TDdeRecorder* gRecorder = nullptr;  // the DDE callback has no context of its own

String HszText(DWORD instance, HSZ hsz)
{
    char buf[256] = "";
    DdeQueryStringA(instance, hsz, buf, sizeof buf, CP_WINANSI);
    return buf;
}
}  // namespace

TDdeRecorder::TDdeRecorder(const String& service, const String& groupsAnswer)
    : service_(service), groupsAnswer_(groupsAnswer)
{
    gRecorder = this;
    started_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    thread_ = std::thread([this] { Serve(); });
    WaitForSingleObject(started_, 10000);
}

TDdeRecorder::~TDdeRecorder()
{
    if (threadId_) PostThreadMessageA(threadId_, WM_QUIT, 0, 0);
    if (thread_.joinable()) thread_.join();
    CloseHandle(started_);
    gRecorder = nullptr;
}

void TDdeRecorder::Serve()
{
    threadId_ = GetCurrentThreadId();
    MSG msg;
    PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);  // the thread's queue, before anyone posts to it
    if (DdeInitializeA(&instance_, Callback, APPCLASS_STANDARD | CBF_SKIP_REGISTRATIONS | CBF_SKIP_UNREGISTRATIONS,
                       0) == DMLERR_NO_ERROR) {
        HSZ service = DdeCreateStringHandleA(instance_, service_.c_str(), CP_WINANSI);
        ready_ = DdeNameService(instance_, service, nullptr, DNS_REGISTER) != nullptr;
        SetEvent(started_);
        while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        DdeNameService(instance_, service, nullptr, DNS_UNREGISTER);
        DdeFreeStringHandle(instance_, service);
        DdeUninitialize(instance_);
    } else {
        SetEvent(started_);
    }
}

HDDEDATA CALLBACK TDdeRecorder::Callback(UINT type, UINT fmt, HCONV, HSZ topic, HSZ item, HDDEDATA data, ULONG_PTR,
                                         ULONG_PTR)
{
    TDdeRecorder* self = gRecorder;
    if (!self) return nullptr;
    switch (type) {
    case XTYP_CONNECT:
        return reinterpret_cast<HDDEDATA>(static_cast<INT_PTR>(SameText(HszText(self->instance_, topic), "Progman")));
    case XTYP_EXECUTE: {
        String text(DdeGetData(data, nullptr, 0, 0), '\0');
        DdeGetData(data, reinterpret_cast<LPBYTE>(text.data()), static_cast<DWORD>(text.size()), 0);
        const size_t end = text.find('\0');
        if (end != String::npos) text.resize(end);
        std::lock_guard<std::mutex> g(self->lock_);
        self->commands_.push_back(text);
        const bool refused = !self->refused_.empty() && text.compare(0, self->refused_.size(), self->refused_) == 0;
        return reinterpret_cast<HDDEDATA>(refused ? DDE_FNOTPROCESSED : DDE_FACK);
    }
    case XTYP_REQUEST:
        if (fmt != CF_TEXT || !SameText(HszText(self->instance_, item), "Groups")) return nullptr;
        return DdeCreateDataHandle(self->instance_,
                                   reinterpret_cast<LPBYTE>(const_cast<char*>(self->groupsAnswer_.c_str())),
                                   static_cast<DWORD>(self->groupsAnswer_.size() + 1), 0, item, CF_TEXT, 0);
    default:
        return nullptr;
    }
}

std::vector<String> TDdeRecorder::Commands() const
{
    std::lock_guard<std::mutex> g(lock_);
    return commands_;
}

bool TDdeRecorder::WaitForCommands(size_t count, int timeoutMs) const
{
    for (int waited = 0; waited <= timeoutMs; waited += 20) {
        if (Commands().size() >= count) return true;
        Sleep(20);
    }
    return false;
}
