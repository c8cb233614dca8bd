#include "mirror/HtmlTokenizer.h"

#include <array>
#include <cstring>

#include "mirror/CharacterReferences.h"
#include "mirror/TextBytes.h"

namespace mirror {

namespace {

// The white space of the tokenizer; CR counts as the LF it becomes.
constexpr std::array<bool, 256> MakeSpaceTable() {
    std::array<bool, 256> table{};
    for (unsigned char c : {'\t', '\n', '\f', '\r', ' '}) table[c] = true;
    return table;
}
constexpr std::array<bool, 256> kSpace = MakeSpaceTable();

// Bytes that end a tag or attribute name.
constexpr std::array<bool, 256> MakeNameEndTable(bool equalsEnds) {
    std::array<bool, 256> table = MakeSpaceTable();
    table['/'] = true;
    table['>'] = true;
    if (equalsEnds) table['='] = true;
    return table;
}
constexpr std::array<bool, 256> kTagNameEnd = MakeNameEndTable(false);
constexpr std::array<bool, 256> kAttributeNameEnd = MakeNameEndTable(true);

// Bytes that end an unquoted attribute value.
constexpr std::array<bool, 256> MakeUnquotedEndTable() {
    std::array<bool, 256> table = MakeSpaceTable();
    table['>'] = true;
    return table;
}
constexpr std::array<bool, 256> kUnquotedEnd = MakeUnquotedEndTable();

bool IsSpace(char c) {
    return kSpace[static_cast<unsigned char>(c)];
}
bool IsOneOf(std::string_view name, std::initializer_list<std::string_view> names) {
    for (std::string_view n : names)
        if (name == n) return true;
    return false;
}

// Start tags that end SVG or MathML content: the parser closes the foreign elements and reads
// the tag as HTML.
bool BreaksOutOfForeignContent(const HtmlToken& tag) {
    static const std::unordered_set<std::string_view> kNames = {
        "b",      "big",  "blockquote", "body",  "br",   "center", "code",    "dd",   "div",
        "dl",     "dt",   "em",         "embed", "h1",   "h2",     "h3",      "h4",   "h5",
        "h6",     "head", "hr",         "i",     "img",  "li",     "listing", "menu", "meta",
        "nobr",   "ol",   "p",          "pre",   "ruby", "s",      "small",   "span", "strong",
        "strike", "sub",  "sup",        "table", "tt",   "u",      "ul",      "var"};
    if (kNames.count(tag.name)) return true;
    return tag.name == "font" &&
           (tag.Attribute("color") || tag.Attribute("face") || tag.Attribute("size"));
}

}  // namespace

const HtmlAttribute* HtmlToken::Attribute(std::string_view lowerName) const {
    for (const HtmlAttribute& a : attributes)
        if (a.name == lowerName) return &a;
    return nullptr;
}

HtmlTokenizer::HtmlTokenizer(std::string_view source) : source_(source) {}

bool HtmlTokenizer::Next() {
    token_.attributes.clear();
    token_.repeatedAttributes.clear();
    token_.selfClosing = false;
    token_.name = {};
    token_.text = {};
    scratch_.clear();
    switch (mode_) {
        case Mode::Data:
            return ReadData();
        case Mode::RawText:
        case Mode::RcData:
            return ReadRawText();
        case Mode::ScriptData:
            return ReadScriptData();
        case Mode::PlainText:
            return pos_ < source_.size() && EmitText(pos_, source_.size(), HtmlTextKind::PlainText);
    }
    return false;
}

bool HtmlTokenizer::EmitText(std::size_t begin, std::size_t end, HtmlTextKind kind) {
    token_.type = HtmlTokenType::Text;
    token_.begin = begin;
    token_.end = end;
    token_.text = source_.substr(begin, end - begin);
    token_.textKind = kind;
    pos_ = end;
    return true;
}

bool HtmlTokenizer::ReadData() {
    const std::size_t n = source_.size();
    const char* s = source_.data();
    std::size_t textBegin = pos_;
    std::size_t i = pos_;
    for (;;) {
        const void* found = i < n ? std::memchr(s + i, '<', n - i) : nullptr;
        if (!found) {
            pos_ = n;
            return textBegin < n && EmitText(textBegin, n, HtmlTextKind::Data);
        }
        const std::size_t lt = static_cast<std::size_t>(static_cast<const char*>(found) - s);
        const char c = lt + 1 < n ? s[lt + 1] : '\0';
        const bool markup =
            lt + 1 < n && (IsAsciiAlpha(c) || c == '!' || c == '?' || (c == '/' && lt + 2 < n));
        if (!markup) {
            i = lt + 1;
            continue;
        }
        if (lt > textBegin) {
            pos_ = lt;
            return EmitText(textBegin, lt, HtmlTextKind::Data);
        }
        if (IsAsciiAlpha(c) || (c == '/' && IsAsciiAlpha(s[lt + 2]))) {
            if (ReadTag(lt, c == '/')) return true;
            pos_ = n;  // the source ends inside the tag: it is dropped
            return false;
        }
        if (c == '/' && s[lt + 2] == '>') {  // "</>" is dropped
            i = textBegin = lt + 3;
            continue;
        }
        if (c == '/') {
            ReadBogusComment(lt, lt + 2);
        } else if (c == '?') {
            ReadBogusComment(lt, lt + 1);
        } else if (source_.compare(lt + 2, 2, "--") == 0) {
            ReadComment(lt);
        } else if (StartsWithFolded(source_, lt + 2, "doctype")) {
            ReadDoctype(lt);
        } else if (InForeignContent() && source_.compare(lt + 2, 7, "[CDATA[") == 0) {
            ReadCData(lt);
        } else {
            ReadBogusComment(lt, lt + 2);
        }
        return true;
    }
}

bool HtmlTokenizer::ReadTag(std::size_t at, bool endTag) {
    const std::size_t n = source_.size();
    const char* s = source_.data();
    std::size_t i = at + (endTag ? 2 : 1);
    const std::size_t nameBegin = i;
    while (i < n && !kTagNameEnd[static_cast<unsigned char>(s[i])]) ++i;
    if (i >= n) return false;
    const std::size_t nameEnd = i;
    bool selfClosing = false;
    raw_.clear();
    for (;;) {
        while (i < n && IsSpace(s[i])) ++i;
        if (i >= n) return false;
        if (s[i] == '>') {
            ++i;
            break;
        }
        if (s[i] == '/') {
            if (++i >= n) return false;
            if (s[i] == '>') {
                selfClosing = true;
                ++i;
                break;
            }
            continue;
        }
        // The first byte belongs to the name even when it is "=".
        RawAttribute a{};
        a.nameBegin = i++;
        while (i < n && !kAttributeNameEnd[static_cast<unsigned char>(s[i])]) ++i;
        if (i >= n) return false;
        a.nameEnd = a.valueBegin = a.valueEnd = a.end = i;
        std::size_t j = i;
        while (j < n && IsSpace(s[j])) ++j;
        if (j >= n) return false;
        if (s[j] == '=') {
            ++j;
            while (j < n && IsSpace(s[j])) ++j;
            if (j >= n) return false;
            a.hasValue = true;
            const char q = s[j];
            if (q == '"' || q == '\'') {
                const void* close = std::memchr(s + j + 1, q, n - j - 1);
                if (!close) return false;
                a.quote = q;
                a.valueBegin = j + 1;
                a.valueEnd = static_cast<std::size_t>(static_cast<const char*>(close) - s);
                a.end = a.valueEnd + 1;
                j = a.end;
            } else if (q == '>') {
                a.valueBegin = a.valueEnd = a.end = j;
            } else {
                a.valueBegin = j;
                while (j < n && !kUnquotedEnd[static_cast<unsigned char>(s[j])]) ++j;
                if (j >= n) return false;
                a.valueEnd = a.end = j;
            }
        }
        i = j;
        raw_.push_back(a);
    }
    token_.type = endTag ? HtmlTokenType::EndTag : HtmlTokenType::StartTag;
    token_.begin = at;
    token_.end = i;
    token_.selfClosing = selfClosing;
    pos_ = i;
    pieces_.clear();
    pieces_.push_back(LoweredName(nameBegin, nameEnd));
    if (!endTag) FinishTag();
    token_.name = View(pieces_[0]);
    if (endTag) {
        AfterEndTag();
    } else {
        AfterStartTag();
    }
    return true;
}

HtmlTokenizer::Piece HtmlTokenizer::LoweredName(std::size_t begin, std::size_t end) {
    bool plain = true;
    for (std::size_t k = begin; k < end && plain; ++k) {
        const char c = source_[k];
        plain = !(c >= 'A' && c <= 'Z') && c != '\0';
    }
    if (plain) return {false, begin, end - begin};
    const std::size_t offset = scratch_.size();
    for (std::size_t k = begin; k < end; ++k) {
        if (source_[k] == '\0') {
            scratch_ += "\xEF\xBF\xBD";
        } else {
            scratch_ += ToLower(source_[k]);
        }
    }
    return {true, offset, scratch_.size() - offset};
}

std::string_view HtmlTokenizer::View(Piece piece) const {
    return piece.inScratch ? std::string_view(scratch_).substr(piece.offset, piece.length)
                           : source_.substr(piece.offset, piece.length);
}

// Lower-cases the attribute names, drops repeated names (the first one counts), decodes the
// values, and only then makes the views, once the scratch buffer no longer grows.
void HtmlTokenizer::FinishTag() {
    const std::size_t count = raw_.size();
    for (const RawAttribute& a : raw_) pieces_.push_back(LoweredName(a.nameBegin, a.nameEnd));
    std::vector<char>& keep = keep_;
    keep.assign(count, 1);
    if (count > 1) {
        if (count <= 16) {
            for (std::size_t k = 1; k < count; ++k)
                for (std::size_t m = 0; m < k && keep[k]; ++m)
                    if (keep[m] && View(pieces_[1 + m]) == View(pieces_[1 + k])) keep[k] = 0;
        } else {
            seenNames_.clear();
            for (std::size_t k = 0; k < count; ++k)
                keep[k] = seenNames_.insert(View(pieces_[1 + k])).second;
        }
    }
    const std::size_t valuesAt = pieces_.size();
    for (std::size_t k = 0; k < count; ++k) {
        const RawAttribute& a = raw_[k];
        const std::string_view raw = source_.substr(a.valueBegin, a.valueEnd - a.valueBegin);
        if (!keep[k] || !NeedsDecoding(raw)) {
            pieces_.push_back({false, a.valueBegin, raw.size()});
            continue;
        }
        const std::size_t offset = scratch_.size();
        AppendDecoded(raw, ReferenceContext::Attribute, scratch_);
        pieces_.push_back({true, offset, scratch_.size() - offset});
    }
    token_.attributes.reserve(count);
    for (std::size_t k = 0; k < count; ++k) {
        const RawAttribute& a = raw_[k];
        HtmlAttribute out;
        out.name = View(pieces_[1 + k]);
        out.value = View(pieces_[valuesAt + k]);
        out.nameBegin = a.nameBegin;
        out.valueBegin = a.valueBegin;
        out.valueEnd = a.valueEnd;
        out.end = a.end;
        out.quote = a.quote;
        out.hasValue = a.hasValue;
        out.decoded = pieces_[valuesAt + k].inScratch;
        if (keep[k]) {
            token_.attributes.push_back(out);
        } else {
            out.value = {};
            token_.repeatedAttributes.push_back(out);
        }
    }
}

bool HtmlTokenizer::InForeignContent() const {
    return !open_.empty() && open_.back().space != Space::Integration;
}

void HtmlTokenizer::AfterStartTag() {
    const std::string_view name = token_.name;
    const bool opens = !token_.selfClosing;
    if (InForeignContent()) {
        if (BreaksOutOfForeignContent(token_)) {
            open_.clear();
        } else {
            if (!opens) return;
            const Space space = open_.back().space;
            if (space == Space::Svg && IsOneOf(name, {"foreignobject", "desc", "title"})) {
                open_.push_back({Space::Integration, name == "desc"    ? "desc"
                                                     : name == "title" ? "title"
                                                                       : "foreignobject"});
            } else if (space == Space::Math && IsOneOf(name, {"mi", "mo", "mn", "ms", "mtext"})) {
                static constexpr std::string_view kMath[] = {"mi", "mo", "mn", "ms", "mtext"};
                for (std::string_view m : kMath)
                    if (m == name) open_.push_back({Space::Integration, m});
            } else if (name == "svg") {
                open_.push_back({Space::Svg, "svg"});
            } else if (name == "math") {
                open_.push_back({Space::Math, "math"});
            }
            return;
        }
    }
    if (name == "svg" || name == "math") {
        if (opens)
            open_.push_back(
                {name == "svg" ? Space::Svg : Space::Math, name == "svg" ? "svg" : "math"});
        return;
    }
    // Which elements hold text that is not markup is the parser's decision in HTML content.
    static constexpr std::string_view kRawText[] = {"style", "xmp", "iframe", "noembed",
                                                    "noframes"};
    for (std::string_view r : kRawText) {
        if (name == r) {
            mode_ = Mode::RawText;
            rawTextEnd_ = r;
            return;
        }
    }
    if (name == "script") {
        mode_ = Mode::ScriptData;
        rawTextEnd_ = "script";
    } else if (name == "textarea" || name == "title") {
        mode_ = Mode::RcData;
        rawTextEnd_ = name == "title" ? "title" : "textarea";
    } else if (name == "plaintext") {
        mode_ = Mode::PlainText;
    }
}

void HtmlTokenizer::AfterEndTag() {
    if (open_.empty()) return;
    if (open_.back().name == token_.name) {
        open_.pop_back();
    } else if (InForeignContent() && (token_.name == "br" || token_.name == "p")) {
        open_.clear();
    }
}

bool HtmlTokenizer::IsEndTagOf(std::size_t at, std::string_view lowerName) const {
    const std::size_t after = at + 2 + lowerName.size();
    if (after >= source_.size() || source_[at + 1] != '/') return false;
    if (!StartsWithFolded(source_, at + 2, lowerName)) return false;
    const char c = source_[after];
    return IsSpace(c) || c == '/' || c == '>';
}

std::size_t HtmlTokenizer::FindRawTextEnd(std::size_t from) const {
    const std::size_t n = source_.size();
    const char* s = source_.data();
    for (std::size_t i = from; i < n;) {
        const void* found = std::memchr(s + i, '<', n - i);
        if (!found) break;
        const std::size_t lt = static_cast<std::size_t>(static_cast<const char*>(found) - s);
        if (IsEndTagOf(lt, rawTextEnd_)) return lt;
        i = lt + 1;
    }
    return n;
}

bool HtmlTokenizer::ReadRawText() {
    const std::size_t end = FindRawTextEnd(pos_);
    const HtmlTextKind kind = mode_ == Mode::RawText ? HtmlTextKind::RawText : HtmlTextKind::RcData;
    mode_ = Mode::Data;
    if (end > pos_) return EmitText(pos_, end, kind);
    return ReadData();
}

// The script states of the standard: "<!--" starts an escaped part in which "<script" starts a
// doubly escaped part, where "</script>" does not end the script but only that part; "-->"
// ends the escaped part.
std::size_t HtmlTokenizer::FindScriptEnd(std::size_t from) const {
    enum class State { Plain, Escaped, DoubleEscaped };
    const std::size_t n = source_.size();
    const char* s = source_.data();
    State state = State::Plain;
    int dashes = 0;
    std::size_t i = from;
    while (i < n) {
        if (state == State::Plain) {
            const void* found = std::memchr(s + i, '<', n - i);
            if (!found) return n;
            i = static_cast<std::size_t>(static_cast<const char*>(found) - s);
            if (IsEndTagOf(i, "script")) return i;
            if (source_.compare(i + 1, 3, "!--") == 0) {
                state = State::Escaped;
                dashes = 2;
                i += 4;
            } else {
                ++i;
            }
            continue;
        }
        const char c = s[i];
        if (c == '-') {
            ++dashes;
            ++i;
            continue;
        }
        if (c == '>' && dashes >= 2) {
            state = State::Plain;
        } else if (c == '<') {
            if (state == State::Escaped) {
                if (IsEndTagOf(i, "script")) return i;
                if (StartsWithFolded(source_, i + 1, "script") && i + 7 < n &&
                    (IsSpace(s[i + 7]) || s[i + 7] == '/' || s[i + 7] == '>')) {
                    state = State::DoubleEscaped;
                    i += 7;
                    dashes = 0;
                    continue;
                }
            } else if (IsEndTagOf(i, "script")) {
                state = State::Escaped;
                i += 8;
                dashes = 0;
                continue;
            }
        }
        dashes = 0;
        ++i;
    }
    return n;
}

bool HtmlTokenizer::ReadScriptData() {
    const std::size_t end = FindScriptEnd(pos_);
    mode_ = Mode::Data;
    if (end > pos_) return EmitText(pos_, end, HtmlTextKind::ScriptData);
    return ReadData();
}

void HtmlTokenizer::ReadComment(std::size_t at) {
    const std::size_t n = source_.size();
    const std::size_t data = at + 4;
    token_.type = HtmlTokenType::Comment;
    token_.begin = at;
    std::size_t textEnd = n;
    std::size_t end = n;
    if (data < n && source_[data] == '>') {
        textEnd = data;
        end = data + 1;
    } else if (source_.compare(data, 2, "->") == 0) {
        textEnd = data;
        end = data + 2;
    } else {
        for (std::size_t k = data;;) {
            const std::size_t dash = source_.find("--", k);
            if (dash == std::string_view::npos) {
                // At the end of the source the dashes that would have closed it are not data.
                for (std::string_view tail : {"--!", "--", "-"}) {
                    if (n - data >= tail.size() &&
                        source_.compare(n - tail.size(), tail.size(), tail) == 0) {
                        textEnd = n - tail.size();
                        break;
                    }
                }
                break;
            }
            if (dash + 2 < n && source_[dash + 2] == '>') {
                textEnd = dash;
                end = dash + 3;
                break;
            }
            if (source_.compare(dash + 2, 2, "!>") == 0) {
                textEnd = dash;
                end = dash + 4;
                break;
            }
            k = dash + 1;
        }
    }
    token_.text = source_.substr(data, textEnd - data);
    token_.end = end;
    pos_ = end;
}

void HtmlTokenizer::ReadBogusComment(std::size_t at, std::size_t dataBegin) {
    const std::size_t close = source_.find('>', dataBegin);
    const std::size_t textEnd = close == std::string_view::npos ? source_.size() : close;
    token_.type = HtmlTokenType::Comment;
    token_.begin = at;
    token_.text = source_.substr(dataBegin, textEnd - dataBegin);
    token_.end = close == std::string_view::npos ? source_.size() : close + 1;
    pos_ = token_.end;
}

void HtmlTokenizer::ReadDoctype(std::size_t at) {
    const std::size_t n = source_.size();
    const std::size_t close = source_.find('>', at + 9);
    const std::size_t limit = close == std::string_view::npos ? n : close;
    std::size_t i = at + 9;
    while (i < limit && IsSpace(source_[i])) ++i;
    const std::size_t nameBegin = i;
    while (i < limit && !IsSpace(source_[i])) ++i;
    token_.type = HtmlTokenType::Doctype;
    token_.begin = at;
    token_.end = close == std::string_view::npos ? n : close + 1;
    pieces_.clear();
    token_.name = View(LoweredName(nameBegin, i));
    pos_ = token_.end;
}

void HtmlTokenizer::ReadCData(std::size_t at) {
    const std::size_t close = source_.find("]]>", at + 9);
    const std::size_t textEnd = close == std::string_view::npos ? source_.size() : close;
    token_.type = HtmlTokenType::CData;
    token_.begin = at;
    token_.text = source_.substr(at + 9, textEnd - (at + 9));
    token_.end = close == std::string_view::npos ? source_.size() : close + 3;
    pos_ = token_.end;
}

}  // namespace mirror
