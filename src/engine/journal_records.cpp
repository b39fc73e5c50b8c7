#include "engine/journal_records.h"

#include <set>

const char kJournalHeader[] = "Nimbo Setup journal 2";

namespace {

const char kHexDigits[] = "0123456789ABCDEF";

int HexValue(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

String Escape(const String& field)
{
    String out;
    out.reserve(field.size());
    for (char c : field) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 32 || c == '%') {
            out += '%';
            out += kHexDigits[b >> 4];
            out += kHexDigits[b & 15];
        } else {
            out += c;
        }
    }
    return out;
}

bool Unescape(const String& field, String& out)
{
    out.clear();
    for (size_t i = 0; i < field.size(); ++i) {
        if (field[i] != '%') {
            out += field[i];
            continue;
        }
        if (i + 2 >= field.size()) return false;
        const int hi = HexValue(field[i + 1]);
        const int lo = HexValue(field[i + 2]);
        if (hi < 0 || lo < 0) return false;
        out += static_cast<char>(hi * 16 + lo);
        i += 2;
    }
    return true;
}

// How many fields a record of the kind has; -1 for a kind we do not know.
int FieldCount(char kind)
{
    switch (kind) {
    case 'D':
    case 'F':
    case 'X':
    case 'T':
        return 1;
    case 'R':
    case 'Y':
    case 'K':
        return 2;
    case 'V':
    case 'P':
        return 5;
    case 'C':
        return 0;
    default:
        return -1;
    }
}

std::vector<String> SplitTabs(const String& line)
{
    std::vector<String> parts;
    size_t start = 0;
    for (;;) {
        const size_t tab = line.find('\t', start);
        parts.push_back(line.substr(start, tab == String::npos ? String::npos : tab - start));
        if (tab == String::npos) return parts;
        start = tab + 1;
    }
}

// The record of one whole line; false when it is not one.
bool ParseLine(const String& line, TJournalRecord& record)
{
    const std::vector<String> parts = SplitTabs(line);
    if (parts[0].size() != 1) return false;
    const int count = FieldCount(parts[0][0]);
    if (count < 0 || static_cast<int>(parts.size()) != count + 1) return false;
    record.kind = static_cast<TJournalKind>(parts[0][0]);
    record.fields.assign(parts.size() - 1, String());
    for (size_t i = 1; i < parts.size(); ++i)
        if (!Unescape(parts[i], record.fields[i - 1])) return false;
    return true;
}

}  // namespace

String TJournalSeal::Seal(const String& line)
{
    for (char c : line) {
        state_ ^= static_cast<unsigned char>(c);
        state_ *= 16777619u;
    }
    state_ ^= '\n';
    state_ *= 16777619u;
    String sum(8, '0');
    uint32_t h = state_;
    for (int i = 7; i >= 0; --i, h >>= 4) sum[static_cast<size_t>(i)] = kHexDigits[h & 15];
    return line + '\t' + sum + "\r\n";
}

String EncodeJournalHeader(const String& application, const String& scope, TJournalSeal& seal)
{
    return seal.Seal(String(kJournalHeader) + '\t' + Escape(application) + '\t' + Escape(scope));
}

String EncodeJournalRecord(const TJournalRecord& record, TJournalSeal& seal)
{
    String line(1, static_cast<char>(record.kind));
    for (const String& f : record.fields) line += '\t' + Escape(f);
    return seal.Seal(line);
}

namespace {
// The header's fields; false when it is not one of ours.
bool ParseHeader(const String& line, TJournalContent& content)
{
    const std::vector<String> parts = SplitTabs(line);
    if (parts.size() != 3 || parts[0] != kJournalHeader) return false;
    return Unescape(parts[1], content.application) && Unescape(parts[2], content.scope);
}
}  // namespace

TJournalContent ParseJournal(const String& text)
{
    TJournalContent content;
    TJournalSeal seal;
    size_t start = 0;
    for (;;) {
        const size_t end = text.find('\n', start);
        if (end == String::npos) break;  // a line still being written
        String line = text.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const size_t tab = line.rfind('\t');
        const String body = line.substr(0, tab);
        TJournalSeal next = seal;
        if (tab == String::npos || next.Seal(body) != line + "\r\n") {
            content.sealed = false;
            return content;
        }
        seal = next;
        content.seal = seal.State();
        if (!content.valid) {
            content.valid = content.sealed = ParseHeader(body, content);
            if (!content.valid) return content;
            continue;
        }
        TJournalRecord record;
        if (!ParseLine(body, record)) continue;
        if (record.kind == TJournalKind::Committed) content.committed = true;
        content.records.push_back(std::move(record));
    }
    return content;
}

String JournalHex(const String& bytes)
{
    String out;
    out.reserve(bytes.size() * 2);
    for (char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        out += kHexDigits[b >> 4];
        out += kHexDigits[b & 15];
    }
    return out;
}

bool JournalUnhex(const String& hex, String& bytes)
{
    bytes.clear();
    if (hex.size() % 2) return false;
    for (size_t i = 0; i < hex.size(); i += 2) {
        const int hi = HexValue(hex[i]);
        const int lo = HexValue(hex[i + 1]);
        if (hi < 0 || lo < 0) return false;
        bytes += static_cast<char>(hi * 16 + lo);
    }
    return true;
}

std::vector<TJournalRecord> StandingRecords(const TJournalContent& content)
{
    // A dropped aside name is never planned again: the pair names one record.
    std::set<std::vector<String>> dropped;
    for (const TJournalRecord& r : content.records)
        if (r.kind == TJournalKind::AsideDropped) dropped.insert(r.fields);
    std::vector<TJournalRecord> standing;
    for (const TJournalRecord& r : content.records)
        if (r.kind != TJournalKind::AsideDropped && !(r.kind == TJournalKind::FileReplaced && dropped.count(r.fields)))
            standing.push_back(r);
    return standing;
}
