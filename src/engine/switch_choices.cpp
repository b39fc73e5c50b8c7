// The controller's part in the command line's choices: the product named in
// the run's log, the install type, options, tasks and program group the
// command line names checked against the form's pages before anything
// changes, and the choices taken up once the pages are ready.
#include "engine/nimbo_info.h"
#include "engine/run_switches.h"

namespace {
std::vector<TNimboPage*> FormPages(const TComponent* form)
{
    std::vector<TNimboPage*> pages;
    for (int i = 0; form && i < form->ComponentCount(); ++i)
        if (auto* page = dynamic_cast<TNimboPage*>(form->Components(i))) pages.push_back(page);
    return pages;
}

// The script's name the command line means: the same, else the same but
// for letter case (names are typed by hand into deployment tools).
const String* Matching(const std::vector<String>& names, const String& wanted)
{
    for (const String& n : names)
        if (n == wanted) return &n;
    for (const String& n : names)
        if (SameText(n, wanted)) return &n;
    return nullptr;
}

String Listed(const std::vector<String>& names)
{
    String out;
    for (const String& n : names) out += (out.empty() ? "" : ", ") + n;
    return out.empty() ? String("none") : out;
}
}  // namespace

void TNimboInfo::LogProduct() const
{
    RunLog("Product: " + ProductName() + (version_.empty() ? String() : ", version " + version_) + ", AppId " +
           ProductId() + (publisher_.empty() ? String() : ", by " + publisher_));
}

String TNimboInfo::CommandLineRefusal() const
{
    const TRunSwitches& s = RunSwitches();
    std::vector<String> types, options;
    for (const TNimboPage* page : FormPages(Owner())) {
        if (String why = page->RefusedSwitch(); !why.empty()) return why;
        const TSwitchChoice kind = page->SwitchChoice();
        if (kind == TSwitchChoice::none) continue;
        for (const String& name : page->ChoiceNames())
            (kind == TSwitchChoice::installType ? types : options).push_back(name);
    }
    if (!s.type.empty() && !Matching(types, s.type))
        return "Unknown install type \"" + s.type + "\". The install types of this setup: " + Listed(types) + ".";
    for (const String& name : SwitchNames(s.options))
        if (!Matching(options, name))
            return "Unknown option \"" + name + "\". The options of this setup: " + Listed(options) + ".";
    // The script has no optional actions: an empty list is all there is.
    for (const String& name : SwitchNames(s.tasks))
        return "Unknown task \"" + name + "\". This setup has no tasks to choose.";
    return String();
}

void TNimboInfo::TakeCommandLineChoices()
{
    const TRunSwitches& s = RunSwitches();
    for (TNimboPage* page : FormPages(Owner())) {
        const TSwitchChoice kind = page->SwitchChoice();
        const bool type = kind == TSwitchChoice::installType;
        if (kind == TSwitchChoice::none || (type ? s.type.empty() : !s.optionsGiven)) continue;
        const std::vector<String> names = page->ChoiceNames();
        String state;
        for (const String& wanted : type ? std::vector<String>{s.type} : SwitchNames(s.options))
            if (const String* name = Matching(names, wanted)) state += (state.empty() ? "" : "|") + *name;
        // A type page that lacks the type keeps its own; an options page
        // takes exactly the options the list names on it, none for none.
        if (type && state.empty()) continue;
        page->TakeEarlierChoice(state);
    }
}
