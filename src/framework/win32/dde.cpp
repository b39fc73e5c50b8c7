#include "framework/win32/dde.h"

#include "framework/properties.h"
#include "framework/win32/process.h"

namespace {
const TEnumInfo& DataModeNames()
{
    static const TEnumInfo i{{"ddeAutomatic", "ddeManual"}};
    return i;
}

// Answers of a synchronous request or execute arrive before the call
// returns; nothing else reaches a client-only instance that matters here.
HDDEDATA CALLBACK DdeCallback(UINT, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR, ULONG_PTR) { return nullptr; }

constexpr DWORD kRequestTimeoutMs = 5000;
constexpr DWORD kExecuteTimeoutMs = 30000;
// How long a freshly started server may take before it answers.
constexpr DWORD kServerStartMs = 10000;

class TDdeString {
public:
    TDdeString(DWORD instance, const String& s)
        : instance_(instance), hsz_(DdeCreateStringHandleA(instance, s.c_str(), CP_WINANSI))
    {
    }
    ~TDdeString()
    {
        if (hsz_) DdeFreeStringHandle(instance_, hsz_);
    }
    TDdeString(const TDdeString&) = delete;
    TDdeString& operator=(const TDdeString&) = delete;
    HSZ get() const { return hsz_; }

private:
    DWORD instance_;
    HSZ hsz_;
};
}  // namespace

NIMBO_DEFINE_CLASS(TDdeClientConv, TComponent, true,
                   p.Enum("ConnectMode", &TDdeClientConv::SetConnectMode, DataModeNames())
                       .Str("ServiceApplication", &TDdeClientConv::SetServiceApplication)
                       .Ignore("Left")
                       .Ignore("Top"))

TDdeClientConv::~TDdeClientConv()
{
    CloseLink();
    if (instance_) DdeUninitialize(instance_);
}

bool TDdeClientConv::Initialize()
{
    if (instance_) return true;
    DWORD inst = 0;
    if (DdeInitializeA(&inst, DdeCallback, APPCMD_CLIENTONLY, 0) != DMLERR_NO_ERROR) return false;
    instance_ = inst;
    return true;
}

bool TDdeClientConv::SetLink(const String& service, const String& topic)
{
    if (conv_ && (!SameText(service, service_) || !SameText(topic, topic_))) CloseLink();
    service_ = service;
    topic_ = topic;
    return connectMode_ == ddeManual || OpenLink();
}

HCONV TDdeClientConv::Connect()
{
    TDdeString service(instance_, service_), topic(instance_, topic_);
    if (!service.get() || !topic.get()) return nullptr;
    return DdeConnect(instance_, service.get(), topic.get(), nullptr);
}

bool TDdeClientConv::StartServer()
{
    const TKernelHandle server = StartProcess(serviceApplication_, SW_SHOWMINNOACTIVE);
    if (!server) return false;
    WaitForInputIdle(server.Get(), kServerStartMs);
    return true;
}

bool TDdeClientConv::OpenLink()
{
    if (conv_) return true;
    if (service_.empty() || !Initialize()) return false;
    conv_ = Connect();
    // No server: start the one that serves the link, once in this
    // conversation's life, and give it a moment to register.
    if (!conv_ && !serverStarted_ && !serviceApplication_.empty()) {
        serverStarted_ = true;
        if (StartServer()) {
            const DWORD start = GetTickCount();
            while (!(conv_ = Connect()) && GetTickCount() - start < kServerStartMs) Sleep(100);
        }
    }
    return conv_ != nullptr;
}

void TDdeClientConv::CloseLink()
{
    if (!conv_) return;
    DdeDisconnect(conv_);
    conv_ = nullptr;
}

DWORD TDdeClientConv::ServerProcessId() const
{
    if (!conv_) return 0;
    CONVINFO info{};
    info.cb = sizeof info;
    DWORD pid = 0;
    if (DdeQueryConvInfo(conv_, QID_SYNC, &info) && info.hwndPartner) GetWindowThreadProcessId(info.hwndPartner, &pid);
    return pid;
}

bool TDdeClientConv::ExecuteMacro(const String& command, bool wait)
{
    if (!conv_) return false;
    // The command travels whole, with its terminating zero.
    String data = command;
    DWORD result = 0;
    HDDEDATA h =
        DdeClientTransaction(reinterpret_cast<LPBYTE>(data.data()), static_cast<DWORD>(data.size() + 1), conv_, nullptr,
                             CF_TEXT, XTYP_EXECUTE, wait ? kExecuteTimeoutMs : TIMEOUT_ASYNC, &result);
    return h != nullptr;
}

String TDdeClientConv::RequestData(const String& item)
{
    if (!conv_) return String();
    TDdeString hszItem(instance_, item);
    if (!hszItem.get()) return String();
    HDDEDATA h =
        DdeClientTransaction(nullptr, 0, conv_, hszItem.get(), CF_TEXT, XTYP_REQUEST, kRequestTimeoutMs, nullptr);
    if (!h) return String();
    String text;
    const DWORD size = DdeGetData(h, nullptr, 0, 0);
    if (size > 0) {
        text.resize(size);
        DdeGetData(h, reinterpret_cast<LPBYTE>(text.data()), size, 0);
        const size_t end = text.find('\0');
        if (end != String::npos) text.resize(end);
    }
    DdeFreeDataHandle(h);
    return text;
}
