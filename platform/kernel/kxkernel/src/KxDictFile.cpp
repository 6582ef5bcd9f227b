// The declaration file of a dictionary: writing (ToText, Save) and reading (Parse, Load).
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include "KxClassDict.h"
#include "KxValueOps.h"

namespace {

std::string Stamp(const KxDateTime& t) {
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02dT%02d:%02d:%02d", t.GetYear(), t.GetMonth(),
                  t.GetDay(), t.GetHour(), t.GetMinute(), t.GetSecond());
    return buffer;
}

bool ParseStamp(const std::string& text, KxDateTime& out) {
    int y, mo, d, h, mi, s;
    char tail;
    if (std::sscanf(text.c_str(), "%d-%d-%dT%d:%d:%d%c", &y, &mo, &d, &h, &mi, &s, &tail) != 6)
        return false;
    KxDateTime t(y, mo, d, h, mi, s);
    if (!t.IsValid()) return false;
    out = t;
    return true;
}

bool ParseNumber(const std::string& text, uint64_t max, uint64_t& out) {
    if (text.empty() || text[0] == '-' || text[0] == '+' || text[0] == ' ') return false;
    errno = 0;
    char* end = nullptr;
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    const unsigned long long v = std::strtoull(text.c_str(), &end, hex ? 16 : 10);
    if (errno != 0 || *end != '\0' || v > max) return false;
    out = v;
    return true;
}

// A reference to a meta type by name, with "@version" when it is not the current version.
std::string RefName(const KxMetaType* t) {
    std::string name = t->GetName().ToUtf8();
    const KxMetaType* current = t->GetDictionary()->GetCurrentVersion(t->GetClassNumber());
    if (current != t) name += "@" + std::to_string(t->GetVersion());
    return name;
}

bool NeedsQuotes(const std::string& s) {
    if (s.empty()) return true;
    for (char c : s)
        if (c <= ' ' || c == '#') return true;
    return false;
}

const char* const kMarkNames[] = {"notmapped", "autovalues", "forgiveindex", "virtual"};
const uint32_t kMarkBits[] = {KX_MARK_NOT_MAPPED, KX_MARK_AUTO_VALUES, KX_MARK_FORGIVE_INDEX_ERRORS,
                              KX_MARK_VIRTUAL_INHERITANCE};

}  // namespace

std::string KxClassDict::ToText() const {
    std::ostringstream out;
    auto quoted = [](const KxString& s) {
        const std::string t = s.ToUtf8();
        return NeedsQuotes(t) ? "\"" + t + "\"" : t;
    };
    out << "# Class dictionary " << name_.ToUtf8() << "\n";
    out << "dictionary " << name_.ToUtf8() << " server=" << quoted(server_)
        << " logical=" << quoted(logical_) << " revision=" << revision_
        << " created=" << Stamp(created_) << " modified=" << Stamp(modified_) << "\n";
    const KxMetaType* root = GetCurrentVersion(0);
    for (const auto& t : types_) {
        char buffer[16];
        const std::string id = std::to_string(t->GetClassNumber()) + "." + std::to_string(t->GetVersion());
        if (const KxMetaSet* set = t->AsSet()) {
            static const char* const kinds[] = {"objectset", "ondemandset", "classset", "typeset"};
            out << "\n" << kinds[set->GetKind() - KX_META_OBJECT_SET] << " " << id << " "
                << set->GetName().ToUtf8() << " "
                << (set->GetKind() == KX_META_TYPE_SET
                        ? KxTypeNameByCode(set->GetElementTypeCode(), buffer, sizeof buffer)
                        : RefName(set->GetElementClass()))
                << "\n";
            continue;
        }
        const KxMetaClass* cls = t->AsClass();
        out << "\nclass " << id << " " << cls->GetName().ToUtf8();
        if (cls->HasMark(KX_MARK_EMBEDDED)) out << " embedded";
        // Persistent classes without declared bases get the root class: it is not written.
        const bool onlyRoot = cls->IsPersistent() && cls->GetBaseCount() == 1 && cls->GetBase(0) == root;
        if (cls->GetBaseCount() > 0 && !onlyRoot) {
            out << " bases=";
            for (uint32_t i = 0; i < cls->GetBaseCount(); ++i)
                out << (i ? "," : "") << RefName(cls->GetBase(i));
        }
        std::string marks;
        for (int i = 0; i < 4; ++i)
            if (cls->HasMark(kMarkBits[i])) marks += (marks.empty() ? "" : ",") + std::string(kMarkNames[i]);
        if (!marks.empty()) out << " marks=" << marks;
        out << "\n";
        for (uint32_t i = 0; i < cls->GetMemberCount(); ++i) {
            const KxMember* m = cls->GetMember(i);
            out << "member " << m->GetName().ToUtf8() << " ";
            switch (m->GetMemberType()) {
            case KX_MEMBER_VALUE: out << KxTypeNameByCode(m->GetTypeCode(), buffer, sizeof buffer); break;
            case KX_MEMBER_EMBEDDED: out << "embedded:" << RefName(m->GetClass()); break;
            case KX_MEMBER_POINTER: out << "ptr:" << RefName(m->GetClass()); break;
            case KX_MEMBER_ONDEMAND:
                out << "ondemand";
                if (m->GetClass() != nullptr) out << ":" << RefName(m->GetClass());
                break;
            default: out << "set:" << RefName(m->GetSetType()); break;
            }
            if (m->GetElementCount() != 1) out << " count=" << m->GetElementCount();
            if (m->GetQualifier() != 0) {
                std::snprintf(buffer, sizeof buffer, "0x%X", m->GetQualifier());
                out << " flags=" << buffer;
            }
            if (m->GetKind() != 0) out << " kind=" << m->GetKind();
            out << "\n";
        }
        for (uint32_t i = 0; i < cls->GetIndexCount(); ++i) {
            const KxIndexDef* index = cls->GetIndex(i);
            out << "index " << index->GetName().ToUtf8() << (index->IsUnique() ? " unique " : " ");
            for (uint32_t k = 0; k < index->GetKeyCount(); ++k)
                out << (k ? "," : "") << index->GetKey(k).path.ToUtf8();
            out << "\n";
        }
    }
    if (!updates_.empty()) out << "\n";
    for (const auto& [revision, entry] : updates_) {
        out << "update " << revision << " " << entry.classNumber << " " << entry.indexName.ToUtf8()
            << " flags=" << entry.flags << "\n";
    }
    return out.str();
}

int32_t KxClassDict::Save(const KxString& dir) const {
    const std::string path = dir.ToUtf8();
    for (const auto& t : types_)
        if (t->GetName().ToUtf8().find('"') != std::string::npos) return KX_KERNEL_E_INVALID;
    if (logical_.ToUtf8().find_first_of("\"\n\r") != std::string::npos ||
        server_.ToUtf8().find_first_of("\"\n\r") != std::string::npos)
        return KX_KERNEL_E_INVALID;
    ::mkdir(path.c_str(), 0777);
    const std::string file = path + "/" + KX_DICTIONARY_FILE;
    const std::string tmp = file + ".new";
    {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        if (!out) return KX_KERNEL_E_CONFIG_FILE;
        out << ToText();
        out.flush();
        if (!out) return KX_KERNEL_E_CONFIG_FILE;
    }
    // The complete file replaces the old one, so that a failed save leaves the old one readable.
    if (std::rename(tmp.c_str(), file.c_str()) != 0) {
        std::remove(tmp.c_str());
        return KX_KERNEL_E_CONFIG_FILE;
    }
    return 0;
}

int32_t KxClassDict::Load(const KxString& dir, std::unique_ptr<KxClassDict>& dict, KxString* error) {
    dict.reset();
    const std::string file = dir.ToUtf8() + "/" + KX_DICTIONARY_FILE;
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        if (error != nullptr) *error = KxString(file + ": cannot be read");
        return KX_DICT_E_NOT_FOUND;
    }
    std::ostringstream text;
    text << in.rdbuf();
    return Parse(text.str(), KxString(file), dict, error);
}

namespace {

// Splits a line into words; a word may hold blanks inside double quotes (the quotes are dropped).
bool Words(const std::string& line, std::vector<std::string>& words) {
    words.clear();
    std::string word;
    bool inWord = false;
    bool quoted = false;
    for (char c : line) {
        if (quoted) {
            if (c == '"') quoted = false;
            else word += c;
        } else if (c == '"') {
            quoted = true;
            inWord = true;
        } else if (c == ' ' || c == '\t' || c == '\r') {
            if (inWord) words.push_back(word);
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (quoted) return false;
    if (inWord) words.push_back(word);
    return true;
}

std::vector<KxString> SplitList(const std::string& text) {
    std::vector<KxString> out;
    size_t start = 0;
    while (true) {
        const size_t comma = text.find(',', start);
        out.emplace_back(text.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    return out;
}

bool ClassId(const std::string& text, uint16_t& number, uint16_t& version) {
    const size_t dot = text.find('.');
    uint64_t n, v = 0;
    if (dot == std::string::npos) return false;
    if (!ParseNumber(text.substr(0, dot), 0xFFFF, n) || !ParseNumber(text.substr(dot + 1), 0xFFFF, v))
        return false;
    number = uint16_t(n);
    version = uint16_t(v);
    return true;
}

}  // namespace

int32_t KxClassDict::Parse(const std::string& text, const KxString& name,
                           std::unique_ptr<KxClassDict>& dict, KxString* error) {
    dict.reset();
    std::unique_ptr<KxDictBuilder> builder;
    std::istringstream in(text);
    std::string line;
    std::vector<std::string> w;
    uint32_t lineNo = 0;
    const std::string file = name.ToUtf8();
    auto fail = [&](const std::string& why) {
        if (error != nullptr) *error = KxString(file + ":" + std::to_string(lineNo) + ": " + why);
        return KX_DICT_E_SYNTAX;
    };
    while (std::getline(in, line)) {
        ++lineNo;
        if (!Words(line, w)) return fail("unclosed quote");
        if (w.empty() || w[0][0] == '#') continue;
        const std::string& verb = w[0];
        if (verb == "dictionary") {
            if (builder) return fail("second dictionary line");
            if (w.size() < 2) return fail("dictionary without name");
            KxString server = KX_DEFAULT_DICTIONARY_SERVER;
            KxString logical = KxString(w[1]);
            uint64_t revision = 0;
            KxDateTime created, modified;
            bool stamped = false;
            for (size_t i = 2; i < w.size(); ++i) {
                const size_t eq = w[i].find('=');
                const std::string key = w[i].substr(0, eq);
                const std::string value = eq == std::string::npos ? "" : w[i].substr(eq + 1);
                if (key == "server") server = KxString(value);
                else if (key == "logical") logical = KxString(value);
                else if (key == "revision") {
                    if (!ParseNumber(value, 0xFFFF, revision)) return fail("bad revision " + value);
                } else if (key == "created") {
                    if (!ParseStamp(value, created)) return fail("bad stamp " + value);
                    stamped = true;
                } else if (key == "modified") {
                    if (!ParseStamp(value, modified)) return fail("bad stamp " + value);
                    stamped = true;
                } else {
                    return fail("unknown word " + w[i]);
                }
            }
            builder = std::make_unique<KxDictBuilder>(KxString(w[1]), server);
            builder->Logical(logical).Revision(uint16_t(revision));
            if (stamped) builder->Stamps(created, modified);
            continue;
        }
        if (!builder) return fail("declaration before the dictionary line");
        builder->SetLine(KxString(file + ":" + std::to_string(lineNo)));
        if (verb == "class") {
            uint16_t number, version;
            if (w.size() < 3 || !ClassId(w[1], number, version)) return fail("class needs <number>.<version> <name>");
            bool embedded = false;
            uint32_t marks = 0;
            std::vector<KxString> bases;
            for (size_t i = 3; i < w.size(); ++i) {
                if (w[i] == "embedded") embedded = true;
                else if (w[i].compare(0, 6, "bases=") == 0) bases = SplitList(w[i].substr(6));
                else if (w[i].compare(0, 6, "marks=") == 0) {
                    for (const KxString& mark : SplitList(w[i].substr(6))) {
                        int k = 0;
                        while (k < 4 && mark.ToUtf8() != kMarkNames[k]) ++k;
                        if (k == 4) return fail("unknown mark " + mark.ToUtf8());
                        marks |= kMarkBits[k];
                    }
                } else {
                    return fail("unknown word " + w[i]);
                }
            }
            builder->Class(number, version, KxString(w[2]), embedded, marks);
            for (const KxString& b : bases) builder->Base(b);
        } else if (verb == "objectset" || verb == "ondemandset" || verb == "classset" || verb == "typeset") {
            uint16_t number, version;
            if (w.size() != 4 || !ClassId(w[1], number, version))
                return fail(verb + " needs <number>.<version> <name> <element>");
            const KxString setName(w[2]), element(w[3]);
            if (verb == "objectset") builder->ObjectSet(number, version, setName, element);
            else if (verb == "ondemandset") builder->OnDemandSet(number, version, setName, element);
            else if (verb == "classset") builder->ClassSet(number, version, setName, element);
            else {
                const int32_t code = KxTypeCodeByName(w[3].c_str());
                if (code < 0) return fail("unknown type " + w[3]);
                builder->TypeSet(number, version, setName, code);
            }
        } else if (verb == "member") {
            if (w.size() < 3) return fail("member needs <name> <type>");
            uint64_t count = 1, flags = 0, kind = 0;
            for (size_t i = 3; i < w.size(); ++i) {
                const size_t eq = w[i].find('=');
                const std::string key = w[i].substr(0, eq);
                const std::string value = eq == std::string::npos ? "" : w[i].substr(eq + 1);
                uint64_t v = 0;
                if (w[i] == "transient") flags |= KX_QUAL_TRANSIENT;
                else if (w[i] == "auto") flags |= KX_QUAL_AUTO_VALUE;
                else if (key == "count" && ParseNumber(value, 0xFFFFFF, v) && v > 0) count = v;
                else if (key == "flags" && ParseNumber(value, 0xFFFFFFFF, v)) flags |= v;
                else if (key == "kind" && ParseNumber(value, 0x7FFFFFFF, v)) kind = v;
                else return fail("bad word " + w[i]);
            }
            const KxString member(w[1]);
            const std::string& spec = w[2];
            const size_t colon = spec.find(':');
            const std::string shape = spec.substr(0, colon);
            const KxString target(colon == std::string::npos ? std::string() : spec.substr(colon + 1));
            const uint32_t n = uint32_t(count), q = uint32_t(flags);
            if (colon == std::string::npos && shape != "ondemand") {
                const int32_t code = KxTypeCodeByName(shape.c_str());
                if (code < 0) return fail("unknown type " + spec);
                builder->Value(member, code, n, q, int32_t(kind));
                continue;
            }
            if (colon != std::string::npos && target.IsEmpty()) return fail("missing class in " + spec);
            if (shape == "embedded") builder->Embedded(member, target, n, q);
            else if (shape == "ptr") builder->Pointer(member, target, n, q);
            else if (shape == "ondemand") builder->OnDemand(member, target, n, q);
            else if (shape == "set" && n == 1) builder->Set(member, target, q);
            else return fail("bad member type " + spec);
            if (kind != 0) return fail("kind is for value members");
        } else if (verb == "update") {
            uint64_t revision = 0, number = 0, flags = 1;
            if (w.size() < 4 || w.size() > 5 || !ParseNumber(w[1], 0xFFFF, revision) ||
                !ParseNumber(w[2], 0xFFFF, number))
                return fail("update needs <revision> <class number> <index name> [flags=<n>]");
            if (w.size() == 5 && (w[4].rfind("flags=", 0) != 0 || !ParseNumber(w[4].substr(6), 0xFFFFFFFF, flags)))
                return fail("bad update flags " + w[4]);
            builder->Update(uint16_t(revision), uint16_t(number), KxString(w[3]), uint32_t(flags));
        } else if (verb == "index") {
            bool unique = false;
            size_t i = 2;
            if (w.size() > 2 && w[2] == "unique") {
                unique = true;
                ++i;
            }
            if (w.size() != i + 1) return fail("index needs <name> [unique] <path>[,<path>...]");
            builder->Index(KxString(w[1]), SplitList(w[i]), unique);
        } else {
            return fail("unknown declaration " + verb);
        }
    }
    if (!builder) return fail("no dictionary line");
    return builder->Build(dict, error);
}
