// Hostile form resources: every truncation of a valid form and bounded
// random mutations of it must end in EReadError or a clean read, never a
// crash, a hang, another exception or a leak (ASan watches the host run).
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <random>
#include <typeinfo>

#include "base/exceptions.h"
#include "framework/form_text.h"
#include "test_components.h"

namespace {

const char* const kForm = R"(
object MainForm: TTestForm
  Caption = 'Main'
  object First: TTestItem
    Count = 70000
    Caption = 'a'#13'b'
    Enabled = True
    Color = clGreen
    Options = [toItalic]
    Font.Name = 'Arial'
    Font.Size = 300
    Lines.Strings = (
      'one'
      'two')
    Next = Second
    Buddy = MainForm
    OnClick = ButtonClick
    Data = {0102}
    Limit = 3
    DesignInfo = (1 (2 'x') [a] nil)
    object Child: TTestItem
      Next = First
      Buddy = nil
    end
  end
  object Second: TTestItem
    Next = Child
  end
  object Solo: TTestSingleton
  end
end
)";

// Reads the bytes into a fresh form; returns "" or the EReadError message.
// Any other exception fails the test with the case described by `what`.
String TryRead(const std::vector<uint8_t>& bytes, const String& what)
{
    EventLog().clear();
    TTestFormPtr form = NewTestForm();
    try {
        ReadForm(form.get(), bytes);
        return {};
    } catch (const EReadError& e) {
        return e.Message();
    } catch (const std::exception& e) {
        ADD_FAILURE() << what << ": " << typeid(e).name() << ": " << e.what();
    }
    return "?";
}

TEST(FormFuzz, EveryTruncationIsAReadError)
{
    const auto full = FormTextToBinary(kForm);
    ASSERT_EQ(TryRead(full, "full"), "");
    for (size_t cut = 0; cut < full.size(); ++cut) {
        // Exactly `cut` bytes on the heap, so any overread is seen.
        std::vector<uint8_t> part(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(cut));
        part.shrink_to_fit();
        EXPECT_NE(TryRead(part, "cut at " + IntToStr(static_cast<long long>(cut))), "") << "cut at " << cut;
    }
}

TEST(FormFuzz, RandomMutationsEndInAReadErrorOrACleanRead)
{
    const auto full = FormTextToBinary(kForm);
    // A fixed seed keeps runs repeatable; NIMBO_FUZZ_SEED explores others.
    const char* seedText = std::getenv("NIMBO_FUZZ_SEED");
    const unsigned seed = seedText ? static_cast<unsigned>(std::strtoul(seedText, nullptr, 10)) : 20240611u;
    std::mt19937 rng(seed);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    int runs = 0, clean = 0;
    for (; runs < 30000 && std::chrono::steady_clock::now() < deadline; ++runs) {
        std::vector<uint8_t> m = full;
        const int edits = 1 + static_cast<int>(rng() % 4);
        String what = "seed " + IntToStr(seed) + " run " + IntToStr(runs) + ":";
        for (int e = 0; e < edits && !m.empty(); ++e) {
            const size_t at = rng() % m.size();
            switch (rng() % 4) {
            case 0:  // any byte
                m[at] = static_cast<uint8_t>(rng());
                what += " set " + IntToStr(static_cast<long long>(at)) + "=" + IntToStr(m[at]);
                break;
            case 1:  // a byte that looks like a tag or a small length
                m[at] = static_cast<uint8_t>(rng() % 16);
                what += " tag " + IntToStr(static_cast<long long>(at)) + "=" + IntToStr(m[at]);
                break;
            case 2:
                m.erase(m.begin() + static_cast<std::ptrdiff_t>(at));
                what += " del " + IntToStr(static_cast<long long>(at));
                break;
            default:
                m.insert(m.begin() + static_cast<std::ptrdiff_t>(at), static_cast<uint8_t>(rng()));
                what += " ins " + IntToStr(static_cast<long long>(at)) + "=" + IntToStr(m[at]);
                break;
            }
        }
        if (TryRead(m, what).empty()) ++clean;
        if (HasFailure()) break;
    }
    EXPECT_GT(runs, 100);
    RecordProperty("runs", runs);
    RecordProperty("clean", clean);
}

}  // namespace
