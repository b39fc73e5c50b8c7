// A DDE client conversation with a server such as Program Manager, on the
// platform's DDE management library. In manual connect mode (the only one
// the suite uses) the link is opened and closed explicitly.
#pragma once

#include <windows.h>

#include <ddeml.h>  // needs windows.h first

#include "framework/component.h"

enum TDataMode { ddeAutomatic, ddeManual };

class TDdeClientConv : public TComponent {
    NIMBO_CLASS()

public:
    TDdeClientConv() = default;
    ~TDdeClientConv() override;

    TDataMode ConnectMode() const { return connectMode_; }
    void SetConnectMode(TDataMode v) { connectMode_ = v; }
    // The program that serves the link when no server answers; started
    // once, then the connection is tried again.
    const String& ServiceApplication() const { return serviceApplication_; }
    void SetServiceApplication(const String& v) { serviceApplication_ = v; }
    const String& DdeService() const { return service_; }
    const String& DdeTopic() const { return topic_; }

    // Names the server and topic; closes a link to another one. In
    // automatic mode the link is opened at once.
    bool SetLink(const String& service, const String& topic);
    // Connects to the named server; false when none answers.
    bool OpenLink();
    void CloseLink();
    bool Connected() const { return conv_ != nullptr; }
    // The process of the server at the other end of the link; 0 without one.
    DWORD ServerProcessId() const;
    // Sends an execute command, whole. Without `wait` it returns once the
    // transaction has started; false when it could not be started (no
    // conversation, or refused) or, waiting, when the server failed it.
    bool ExecuteMacro(const String& command, bool wait);
    // Requests an item as text; empty when there is no answer.
    String RequestData(const String& item);

private:
    bool Initialize();
    HCONV Connect();
    bool StartServer();

    TDataMode connectMode_ = ddeAutomatic;
    String serviceApplication_;
    String service_, topic_;
    DWORD instance_ = 0;
    HCONV conv_ = nullptr;
    bool serverStarted_ = false;
};
