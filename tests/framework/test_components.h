// Small component classes with one published property of each kind, for
// reading forms in tests. Every class logs what happens to it in one shared
// event log, so tests can check order across components.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "base/string_list.h"
#include "framework/component.h"
#include "framework/form_reader.h"

std::vector<String>& EventLog();
void RegisterTestClasses();

enum class TTestColor { clRed, clGreen, clBlue };
enum TTestOption : unsigned { toBold, toItalic, toUnderline };

// A persistent sub-object: "Font.Name", "Font.Size".
class TTestFont : public TPersistent {
    NIMBO_CLASS()

public:
    void SetName(const String& n) { name = n; }
    void SetSize(int s) { size = s; }
    String name;
    int size = 0;
};

class TTestForm;

class TTestItem : public TComponent {
    NIMBO_CLASS()

public:
    void SetCount(int v)
    {
        count = v;
        setWhileLoading = HasState(csLoading);
    }
    void SetCaption(const String& v) { caption = v; }
    void SetEnabled(bool v) { enabled = v; }
    void SetColor(TTestColor v) { color = v; }
    void SetOptions(unsigned v) { options = v; }
    void SetNext(TTestItem* v);
    void SetBuddy(TComponent* v);
    void SetLimit(int v);
    TTestFont* GetFont() { return &font; }
    TStringList* GetLines() { return &lines; }

    void Notification(TComponent* c, TOperation op) override;
    void Loaded() override;
    void SetParentComponent(TComponent* p) override { parent = p; }
    void DefineProperties(TFiler& filer) override;

    int count = 0;
    bool setWhileLoading = false;
    String caption;
    bool enabled = true;
    TTestColor color = TTestColor::clRed;
    unsigned options = 0;
    TTestFont font;
    TStringList lines;
    TTestItem* next = nullptr;
    TComponent* buddy = nullptr;
    TNotifyEvent onClick;
    std::vector<uint8_t> data;  // the defined property "Data"
    TComponent* parent = nullptr;
    bool nextKnownAtLoaded = false;
    std::vector<String> inserts;  // names seen through opInsert (at the time of the call)
    std::vector<TComponent*> insertedObjects;
    int limit = 0;
};

// Another class, for references of the wrong class.
class TTestOther : public TComponent {
    NIMBO_CLASS()
};

// Refuses a second one in the same owner, after its insertion, the way a
// controller insists on being alone on its form.
class TTestSingleton : public TComponent {
    NIMBO_CLASS()

public:
    void Create(TComponent* owner) override;
};

class TTestForm : public TComponent {
    NIMBO_CLASS()

public:
    void SetCaption(const String& v) { caption = v; }
    void ButtonClick(TObject* sender) { clicks.push_back(sender); }
    void Loaded() override;

    String caption;
    std::vector<TObject*> clicks;
};

using TTestFormPtr = std::unique_ptr<TTestForm, TComponentDeleter>;
TTestFormPtr NewTestForm();

// Compiles the text and reads it into a new TTestForm.
TTestFormPtr ReadTestForm(std::string_view text);
void ReadForm(TComponent* root, const std::vector<uint8_t>& bytes);
