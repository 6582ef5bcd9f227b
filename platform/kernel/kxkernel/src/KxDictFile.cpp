// The declaration file of a dictionary: writing (ToText, Save) and reading (Parse, Load).
#include <sys/stat.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cctype>
#include <cstring>
#include <filesystem>
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
        if (FindDescriptor(t->GetClassNumber()) == nullptr) continue;   // a deleted class
        char buffer[16];
        const std::string id = std::to_string(t->GetClassNumber()) + "." + std::to_string(t->GetVersion());
        if (const KxMetaPersContainer* c = t->AsContainer()) {
            out << "\ncontainer " << id << " " << c->GetName().ToUtf8() << " ";
            switch (c->GetElementKind()) {
            case KX_CONTAINER_BASIC_TYPE: out << KxTypeNameByCode(c->GetElementTypeCode(), buffer, sizeof buffer); break;
            case KX_CONTAINER_ONDEMAND: out << "ondemand:" << RefName(c->GetElementClass()); break;
            default: out << RefName(c->GetElementClass()); break;
            }
            if (c->GetSetKind() != 0) out << " setkind=" << c->GetSetKind();
            if (c->GetElementMode() == 2) out << " byptr";
            out << "\n";
            continue;
        }
        if (const KxMetaSet* set = t->AsSet()) {
            static const char* const kinds[] = {"objectset", "ondemandset", "classset", "typeset"};
            out << "\n" << kinds[set->GetKind() - KX_META_OBJECT_SET] << " " << id << " "
                << set->GetName().ToUtf8() << " "
                << (set->GetKind() == KX_META_TYPE_SET
                        ? KxTypeNameByCode(set->GetElementTypeCode(), buffer, sizeof buffer)
                        : RefName(set->GetElementClass()));
            if (set->GetSetKind() != 0) out << " setkind=" << set->GetSetKind();
            if (set->GetElementMode() == 2) out << " byptr";
            out << "\n";
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
        static const char* const kForms[] = {"struct", "class", "union"};
        if (cls->GetForm() != 1 && cls->GetForm() >= 0 && cls->GetForm() <= 2) out << " form=" << kForms[cls->GetForm()];
        if (cls->GetClassFlags() != 0) out << " classflags=" << cls->GetClassFlags();
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
            case KX_MEMBER_CONTAINER: out << "container:" << RefName(m->GetContainerType()); break;
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
    for (const auto& user : users_) {
        out << "\nuser " << user->GetName().ToUtf8() << (user->IsGroup() ? " group" : "");
        KxUser* group = nullptr;
        for (int32_t k = 0; user->GetGroupSet().Get(group, k) == 0; ++k)
            out << (k ? "," : " groups=") << group->GetName().ToUtf8();
        out << "\n";
        const KxRightEntry* right = nullptr;
        for (int32_t k = 0; user->GetRightSet().Get(right, k) == 0; ++k) {
            const KxMetaType* cls = GetMetaType(right->GetClassId());
            const KxMetaType* owner = right->IsAttributeRight() ? GetMetaType(right->GetAttributeClassId()) : cls;
            if (cls == nullptr || owner == nullptr) continue;   // on a deleted class
            out << "right " << (cls != nullptr ? cls->GetName().ToUtf8() : std::string("?"));
            if (right->IsAttributeRight()) {
                out << " attribute=" << owner->GetName().ToUtf8() << ":"
                    << right->GetAttribute() << ":" << right->GetTypeId();
            }
            if (right->GetPermissions() & KX_PERM_READ) out << " read";
            if (right->GetPermissions() & KX_PERM_WRITE) out << " write";
            if (right->GetPermissions() & KX_PERM_DELETE) out << " delete";
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

namespace {

// CRC-32 (IEEE 802.3, reflected, as zip computes it).
uint32_t Crc32(const std::string& bytes) {
    static const auto table = [] {
        std::array<uint32_t, 256> t{};
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t c = i;
            for (int k = 0; k < 8; ++k) c = (c & 1) != 0 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[i] = c;
        }
        return t;
    }();
    uint32_t crc = 0xFFFFFFFFu;
    for (unsigned char b : bytes) crc = table[(crc ^ b) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

// Hexadecimal texts compared without regard to case.
bool EqualsHex(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i]))) return false;
    return true;
}

std::string Hex8(uint32_t value) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%08X", value);
    return buffer;
}

// Writes a file whole: a temporary file renamed over the old one, so a failed write leaves the old one.
bool WriteWhole(const std::string& file, const std::string& text) {
    const std::string tmp = file + ".new";
    {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        if (!out) return false;
        out << text;
        out.flush();
        if (!out) {
            out.close();
            std::remove(tmp.c_str());
            return false;
        }
    }
    if (std::rename(tmp.c_str(), file.c_str()) != 0) {
        std::remove(tmp.c_str());
        return false;
    }
    return true;
}

bool ReadWhole(const std::string& file, std::string& text) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return false;
    std::ostringstream all;
    all << in.rdbuf();
    text = all.str();
    return true;
}

bool Exists(const std::string& file) {
    struct stat st;
    return ::stat(file.c_str(), &st) == 0;
}

}  // namespace

int32_t KxClassDict::Save(const KxString& dir, KxDictionaryForm form) const {
    const std::string path = dir.ToUtf8();
    for (const auto& t : types_)
        if (t->GetName().ToUtf8().find('"') != std::string::npos) return KX_KERNEL_E_INVALID;
    if (logical_.ToUtf8().find_first_of("\"\n\r") != std::string::npos ||
        server_.ToUtf8().find_first_of("\"\n\r") != std::string::npos)
        return KX_KERNEL_E_INVALID;
    // The folder and any missing folder above it; one that cannot be made shows in the write.
    std::error_code ignored;
    std::filesystem::create_directories(path, ignored);
    const std::string text = ToText();
    if (form != KX_DICT_FORM_PAIR)
        return WriteWhole(path + "/" + KX_DICTIONARY_FILE, text) ? 0 : KX_KERNEL_E_CONFIG_FILE;
    // The declarations first, their index last: a pair cut off between the two does not match.
    const std::string index = "# Class dictionary index\nname " + name_.ToUtf8() + "\nrevision " +
                              std::to_string(revision_) + "\nchecksum " + Hex8(Crc32(text)) + "\n";
    if (!WriteWhole(path + "/" + KX_DICTIONARY_DATA_FILE, text)) return KX_KERNEL_E_CONFIG_FILE;
    return WriteWhole(path + "/" + KX_DICTIONARY_INDEX_FILE, index) ? 0 : KX_KERNEL_E_CONFIG_FILE;
}

namespace {

// Reads the pair of dir; see KxClassDict::Load.
int32_t LoadPair(const std::string& dir, std::unique_ptr<KxClassDict>& dict, KxString* error) {
    const std::string data = dir + "/" + KX_DICTIONARY_DATA_FILE;
    const std::string index = dir + "/" + KX_DICTIONARY_INDEX_FILE;
    auto refuse = [error](const std::string& why) {
        if (error != nullptr) *error = KxString(why);
        return static_cast<int32_t>(KX_DICT_E_SYNTAX);
    };
    std::string text, indexText;
    if (!ReadWhole(data, text)) return refuse(data + ": cannot be read; the dictionary files are incomplete");
    if (!ReadWhole(index, indexText)) return refuse(index + ": cannot be read; the dictionary files are incomplete");
    std::string name, revision, checksum;
    std::istringstream lines(indexText);
    std::string line;
    uint32_t lineNo = 0;
    while (std::getline(lines, line)) {
        ++lineNo;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        const size_t blank = line.find(' ');
        const std::string key = line.substr(0, blank);
        const std::string value = blank == std::string::npos ? "" : line.substr(blank + 1);
        std::string* slot = key == "name" ? &name : key == "revision" ? &revision : key == "checksum" ? &checksum : nullptr;
        if (slot == nullptr || value.empty() || !slot->empty())
            return refuse(index + ":" + std::to_string(lineNo) + ": unexpected line");
        *slot = value;
    }
    if (name.empty() || revision.empty() || checksum.empty())
        return refuse(index + ": needs name, revision and checksum");
    const std::string actual = Hex8(Crc32(text));
    if (!EqualsHex(checksum, actual))
        return refuse(data + ": checksum " + actual + " does not match " + checksum + " of " +
                      KX_DICTIONARY_INDEX_FILE + "; the dictionary files do not belong together");
    std::unique_ptr<KxClassDict> parsed;
    const int32_t rc = KxClassDict::Parse(text, KxString(data), parsed, error);
    if (rc != KX_KERNEL_OK) return rc;
    if (parsed->GetName().ToUtf8() != name || std::to_string(parsed->GetRevision()) != revision)
        return refuse(index + ": names " + name + " revision " + revision + ", the declarations " +
                      parsed->GetName().ToUtf8() + " revision " + std::to_string(parsed->GetRevision()));
    dict = std::move(parsed);
    return KX_KERNEL_OK;
}

}  // namespace

int32_t KxClassDict::Load(const KxString& dir, std::unique_ptr<KxClassDict>& dict, KxString* error) {
    dict.reset();
    const std::string path = dir.ToUtf8();
    int32_t rc = KX_KERNEL_OK;
    if (Exists(path + "/" + KX_DICTIONARY_DATA_FILE) || Exists(path + "/" + KX_DICTIONARY_INDEX_FILE)) {
        rc = LoadPair(path, dict, error);
    } else {
        const std::string file = path + "/" + KX_DICTIONARY_FILE;
        std::string text;
        if (!ReadWhole(file, text)) {
            if (error != nullptr) *error = KxString(file + ": cannot be read");
            return KX_DICT_E_NOT_FOUND;
        }
        rc = Parse(text, KxString(file), dict, error);
    }
    if (rc == KX_KERNEL_OK && dict) dict->physical_ = dir;
    return rc;
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

namespace {

// A name as a declaration may give it: a letter or "_", then letters, digits, "_" and "$"; a class
// name may join such names with "." or "::".
bool DeclaredName(const std::string& name, bool qualified) {
    bool start = true;
    for (size_t i = 0; i < name.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(name[i]);
        if (std::isalpha(c) || c == '_' || (!start && (std::isdigit(c) || c == '$'))) {
            start = false;
        } else if (qualified && !start && (c == '.' || (c == ':' && i + 1 < name.size() && name[i + 1] == ':'))) {
            i += c == ':' ? 1 : 0;
            start = true;
        } else {
            return false;
        }
    }
    return !start;
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
            if (!DeclaredName(w[2], true)) return fail("invalid name \"" + w[2] + "\"");
            bool embedded = false;
            uint32_t marks = 0;
            int32_t form = 1;
            uint64_t classFlags = 0;
            std::vector<KxString> bases;
            for (size_t i = 3; i < w.size(); ++i) {
                if (w[i] == "embedded") embedded = true;
                else if (w[i] == "form=struct") form = 0;
                else if (w[i] == "form=class") form = 1;
                else if (w[i] == "form=union") form = 2;
                else if (w[i].compare(0, 11, "classflags=") == 0) {
                    if (!ParseNumber(w[i].substr(11), 0xFFFFFFFF, classFlags)) return fail("bad class flags " + w[i]);
                }
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
            if (form != 1 || classFlags != 0) builder->ClassForm(form, uint32_t(classFlags));
            for (const KxString& b : bases) builder->Base(b);
        } else if (verb == "objectset" || verb == "ondemandset" || verb == "classset" || verb == "typeset" ||
                   verb == "container") {
            uint16_t number, version;
            if (w.size() < 4 || !ClassId(w[1], number, version))
                return fail(verb + " needs <number>.<version> <name> <element>");
            uint64_t setKind = 0;
            int32_t elementMode = 0;
            for (size_t i = 4; i < w.size(); ++i) {
                if (w[i] == "byptr") elementMode = 2;
                else if (w[i].compare(0, 8, "setkind=") != 0 || !ParseNumber(w[i].substr(8), 0xFF, setKind))
                    return fail("unknown word " + w[i]);
            }
            if (!DeclaredName(w[2], true)) return fail("invalid name \"" + w[2] + "\"");
            const KxString setName(w[2]), element(w[3]);
            if (verb == "objectset") builder->ObjectSet(number, version, setName, element);
            else if (verb == "ondemandset") builder->OnDemandSet(number, version, setName, element);
            else if (verb == "classset") builder->ClassSet(number, version, setName, element);
            else if (verb == "container") builder->Container(number, version, setName, element);
            else {
                const int32_t code = KxTypeCodeByName(w[3].c_str());
                if (code < 0) return fail("unknown type " + w[3]);
                builder->TypeSet(number, version, setName, code);
            }
            if (setKind != 0 || elementMode != 0) builder->SetForm(int32_t(setKind), elementMode);
        } else if (verb == "member") {
            if (w.size() < 3) return fail("member needs <name> <type>");
            if (!DeclaredName(w[1], false)) return fail("invalid member name \"" + w[1] + "\"");
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
            else if ((shape == "set" || shape == "container") && n == 1) builder->Set(member, target, q);
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
        } else if (verb == "user") {
            if (w.size() < 2 || !DeclaredName(w[1], false)) return fail("user needs <name>");
            bool group = false;
            std::vector<KxString> groups;
            for (size_t i = 2; i < w.size(); ++i) {
                if (w[i] == "group") group = true;
                else if (w[i].compare(0, 7, "groups=") == 0) groups = SplitList(w[i].substr(7));
                else return fail("unknown word " + w[i]);
            }
            builder->User(KxString(w[1]), group);
            for (const KxString& g : groups) builder->MemberOf(g);
        } else if (verb == "right") {
            if (w.size() < 2) return fail("right needs <class>");
            uint32_t permissions = 0;
            bool attribute = false;
            std::string owner;
            uint64_t number = 0, type = 0;
            for (size_t i = 2; i < w.size(); ++i) {
                if (w[i] == "read") permissions |= KX_PERM_READ;
                else if (w[i] == "write") permissions |= KX_PERM_WRITE;
                else if (w[i] == "delete") permissions |= KX_PERM_DELETE;
                else if (w[i].compare(0, 10, "attribute=") == 0) {
                    const std::string spec = w[i].substr(10);
                    const size_t a = spec.find(':'), b = a == std::string::npos ? a : spec.find(':', a + 1);
                    if (b == std::string::npos || a == 0 || !ParseNumber(spec.substr(a + 1, b - a - 1), 0x7FFF, number) ||
                        !ParseNumber(spec.substr(b + 1), 0x7FFFFFFF, type))
                        return fail("attribute needs <class>:<number>:<type code>");
                    attribute = true;
                    owner = spec.substr(0, a);
                } else {
                    return fail("unknown word " + w[i]);
                }
            }
            if (attribute)
                builder->AttributeRight(KxString(w[1]), KxString(owner), int16_t(number), int32_t(type), permissions);
            else
                builder->Right(KxString(w[1]), permissions);
        } else if (verb == "index") {
            bool unique = false;
            size_t i = 2;
            if (w.size() > 2 && w[2] == "unique") {
                unique = true;
                ++i;
            }
            if (w.size() != i + 1) return fail("index needs <name> [unique] <path>[,<path>...]");
            if (!DeclaredName(w[1], false)) return fail("invalid index name \"" + w[1] + "\"");
            builder->Index(KxString(w[1]), SplitList(w[i]), unique);
        } else {
            return fail("unknown declaration " + verb);
        }
    }
    if (!builder) return fail("no dictionary line");
    return builder->Build(dict, error);
}
