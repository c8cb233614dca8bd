#include "mirror/CssReferences.h"

#include "mirror/TextBytes.h"

namespace mirror {

namespace {

bool IsNewline(char c) {
    return c == '\n' || c == '\r' || c == '\f';
}
bool IsCssSpace(char c) {
    return c == ' ' || c == '\t' || IsNewline(c);
}
bool IsHex(char c) {
    return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}
bool IsNameStart(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' ||
           static_cast<unsigned char>(c) >= 0x80;
}
bool IsNameChar(char c) {
    return IsNameStart(c) || IsDigit(c) || c == '-';
}
bool IsNonPrintable(char c) {
    const auto u = static_cast<unsigned char>(c);
    return u <= 0x08 || u == 0x0B || (u >= 0x0E && u <= 0x1F) || u == 0x7F;
}
class CssScanner {
  public:
    explicit CssScanner(std::string_view css) : s_(css), n_(css.size()) {}

    std::vector<CssReference> Run();

  private:
    char At(std::size_t k) const { return k < n_ ? s_[k] : '\0'; }
    bool ValidEscape(std::size_t k) const {
        return k < n_ && s_[k] == '\\' && !IsNewline(At(k + 1));
    }
    bool StartsIdentifier(std::size_t k) const;
    bool StartsNumber(std::size_t k) const;
    void ConsumeEscape(std::string* out);
    // Consumes a name; keeps up to 31 bytes of it in lower case for comparisons.
    std::string_view ConsumeName();
    void ConsumeNumber();
    bool ConsumeString(char quote, std::size_t& begin, std::size_t& end, std::string& value);
    void ConsumeUrl(bool import);
    void ConsumeBadUrlRemnants();
    void AddString(char quote, bool import);
    void Add(std::string value, std::size_t begin, std::size_t end, CssValueSyntax syntax,
             char quote, bool import);

    std::string_view s_;
    std::size_t n_;
    std::size_t i_ = 0;
    char name_[32];
    std::vector<CssReference> found_;
    int parens_ = 0;
    int blocks_ = 0;
    int imageSetParens_ = -1;  // the depth inside an image-set(), whose strings are addresses
    int fontFaceBlock_ = -1;   // the block depth of an @font-face rule
    bool fontFacePending_ = false;
    bool importPending_ = false;
};

bool CssScanner::StartsIdentifier(std::size_t k) const {
    const char c = At(k);
    if (c == '-') {
        const char d = At(k + 1);
        return IsNameStart(d) || d == '-' || ValidEscape(k + 1);
    }
    return IsNameStart(c) || ValidEscape(k);
}

bool CssScanner::StartsNumber(std::size_t k) const {
    char c = At(k);
    if (c == '+' || c == '-') c = At(++k);
    if (IsDigit(c)) return true;
    return c == '.' && IsDigit(At(k + 1));
}

// After the backslash: up to six hex digits and one white space, or any one character.
void CssScanner::ConsumeEscape(std::string* out) {
    if (i_ >= n_) {
        if (out) *out += "\xEF\xBF\xBD";
        return;
    }
    if (IsHex(s_[i_])) {
        std::uint32_t code = 0;
        for (int k = 0; k < 6 && i_ < n_ && IsHex(s_[i_]); ++k, ++i_) {
            const char c = s_[i_];
            code = code * 16 +
                   static_cast<std::uint32_t>(IsDigit(c) ? c - '0' : ToLower(c) - 'a' + 10);
        }
        if (i_ < n_ && IsCssSpace(s_[i_])) {
            if (s_[i_] == '\r' && At(i_ + 1) == '\n') ++i_;
            ++i_;
        }
        if (code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) code = 0xFFFD;
        if (out) AppendUtf8(code, *out);
        return;
    }
    if (out) *out += s_[i_];
    ++i_;
}

std::string_view CssScanner::ConsumeName() {
    std::size_t length = 0;
    bool fits = true;
    std::string escaped;
    while (i_ < n_) {
        const char c = s_[i_];
        if (IsNameChar(c)) {
            if (length < sizeof name_) name_[length] = ToLower(c);
            ++length;
            ++i_;
        } else if (ValidEscape(i_)) {
            ++i_;
            escaped.clear();
            ConsumeEscape(&escaped);
            for (char e : escaped) {
                if (length < sizeof name_) name_[length] = ToLower(e);
                ++length;
            }
        } else {
            break;
        }
    }
    if (length > sizeof name_) fits = false;
    return fits ? std::string_view(name_, length) : std::string_view();
}

void CssScanner::ConsumeNumber() {
    if (s_[i_] == '+' || s_[i_] == '-') ++i_;
    while (i_ < n_ && (IsDigit(s_[i_]) || s_[i_] == '.')) ++i_;
    if ((At(i_) == 'e' || At(i_) == 'E') &&
        (IsDigit(At(i_ + 1)) ||
         ((At(i_ + 1) == '+' || At(i_ + 1) == '-') && IsDigit(At(i_ + 2))))) {
        i_ += 2;
        while (i_ < n_ && IsDigit(s_[i_])) ++i_;
    }
    if (StartsIdentifier(i_)) ConsumeName();  // a dimension: "10url(" is not an address
}

// From just after the opening quote. False for a string cut by a newline.
bool CssScanner::ConsumeString(char quote, std::size_t& begin, std::size_t& end,
                               std::string& value) {
    begin = i_;
    while (i_ < n_) {
        const char c = s_[i_];
        if (c == quote) {
            end = i_++;
            return true;
        }
        if (IsNewline(c)) {
            end = i_;
            return false;
        }
        ++i_;
        if (c == '\\') {
            if (i_ >= n_) break;
            if (IsNewline(s_[i_])) {
                i_ += s_[i_] == '\r' && At(i_ + 1) == '\n' ? 2 : 1;
            } else {
                ConsumeEscape(&value);
            }
        } else if (c == '\0') {
            value += "\xEF\xBF\xBD";
        } else {
            value += c;
        }
    }
    end = n_;
    return true;
}

void CssScanner::Add(std::string value, std::size_t begin, std::size_t end, CssValueSyntax syntax,
                     char quote, bool import) {
    CssReference r;
    r.value = std::move(value);
    r.begin = begin;
    r.end = end;
    r.syntax = syntax;
    r.quote = quote;
    r.import = import;
    r.fontFace = fontFaceBlock_ >= 0;
    found_.push_back(std::move(r));
}

void CssScanner::AddString(char quote, bool import) {
    ++i_;
    std::size_t begin = 0, end = 0;
    std::string value;
    if (ConsumeString(quote, begin, end, value))
        Add(std::move(value), begin, end, CssValueSyntax::String, quote, import);
}

void CssScanner::ConsumeBadUrlRemnants() {
    while (i_ < n_) {
        if (s_[i_] == ')') {
            ++i_;
            return;
        }
        if (ValidEscape(i_)) {
            ++i_;
            ConsumeEscape(nullptr);
        } else {
            ++i_;
        }
    }
}

// From just after "url(".
void CssScanner::ConsumeUrl(bool import) {
    while (i_ < n_ && IsCssSpace(s_[i_])) ++i_;
    if (At(i_) == '"' || At(i_) == '\'') {
        // url("...") is a function whose argument is a string.
        ++parens_;
        AddString(s_[i_], import);
        return;
    }
    const std::size_t begin = i_;
    std::string value;
    while (i_ < n_) {
        const char c = s_[i_];
        if (c == ')') {
            Add(std::move(value), begin, i_, CssValueSyntax::Url, 0, import);
            ++i_;
            return;
        }
        if (IsCssSpace(c)) {
            const std::size_t end = i_;
            while (i_ < n_ && IsCssSpace(s_[i_])) ++i_;
            if (i_ >= n_ || s_[i_] == ')') {
                Add(std::move(value), begin, end, CssValueSyntax::Url, 0, import);
                if (i_ < n_) ++i_;
                return;
            }
            ConsumeBadUrlRemnants();
            return;
        }
        if (c == '"' || c == '\'' || c == '(' || IsNonPrintable(c)) {
            ConsumeBadUrlRemnants();
            return;
        }
        if (c == '\\') {
            if (!ValidEscape(i_)) {
                ConsumeBadUrlRemnants();
                return;
            }
            ++i_;
            ConsumeEscape(&value);
            continue;
        }
        value += c;
        ++i_;
    }
    Add(std::move(value), begin, n_, CssValueSyntax::Url, 0, import);
}

std::vector<CssReference> CssScanner::Run() {
    while (i_ < n_) {
        const char c = s_[i_];
        // Only comments and white space keep an @import waiting for its address.
        const bool import = importPending_;
        if (c == '/' && At(i_ + 1) == '*') {
            const std::size_t close = s_.find("*/", i_ + 2);
            i_ = close == std::string_view::npos ? n_ : close + 2;
            continue;
        }
        if (IsCssSpace(c)) {
            ++i_;
            continue;
        }
        importPending_ = false;
        if (c == '"' || c == '\'') {
            const bool inImageSet = imageSetParens_ >= 0 && parens_ == imageSetParens_;
            if (import || inImageSet) {
                AddString(c, import);
            } else {
                std::size_t begin = 0, end = 0;
                std::string ignored;
                ++i_;
                ConsumeString(c, begin, end, ignored);
            }
        } else if (StartsNumber(i_)) {
            ConsumeNumber();
        } else if (c == '@' && StartsIdentifier(i_ + 1)) {
            ++i_;
            const std::string_view name = ConsumeName();
            importPending_ = name == "import";
            if (name == "font-face") fontFacePending_ = true;
        } else if (c == '#' && i_ + 1 < n_ && (IsNameChar(s_[i_ + 1]) || ValidEscape(i_ + 1))) {
            ++i_;
            ConsumeName();
        } else if (StartsIdentifier(i_)) {
            const std::string_view name = ConsumeName();
            if (At(i_) == '(') {
                ++i_;
                if (name == "url") {
                    ConsumeUrl(import);
                } else {
                    ++parens_;
                    if (name == "image-set" || name == "-webkit-image-set")
                        imageSetParens_ = parens_;
                }
            }
        } else if (c == '(' || c == '[') {
            ++parens_;
            ++i_;
        } else if (c == ')' || c == ']') {
            if (parens_ > 0) --parens_;
            if (imageSetParens_ > parens_) imageSetParens_ = -1;
            ++i_;
        } else if (c == '{') {
            ++blocks_;
            if (fontFacePending_) fontFaceBlock_ = blocks_;
            fontFacePending_ = false;
            parens_ = 0;
            imageSetParens_ = -1;
            ++i_;
        } else if (c == '}') {
            if (blocks_ == fontFaceBlock_) fontFaceBlock_ = -1;
            if (blocks_ > 0) --blocks_;
            parens_ = 0;
            imageSetParens_ = -1;
            ++i_;
        } else {
            if (c == ';') fontFacePending_ = false;
            ++i_;
        }
    }
    return std::move(found_);
}

}  // namespace

std::vector<CssReference> FindCssReferences(std::string_view css) {
    return CssScanner(css).Run();
}

std::string EscapeCssValue(std::string_view address, CssValueSyntax syntax, char quote) {
    std::string out;
    out.reserve(address.size() + 8);
    static const char kHex[] = "0123456789abcdef";
    for (const char c : address) {
        const auto u = static_cast<unsigned char>(c);
        const bool breaks = syntax == CssValueSyntax::Url
                                ? (c == '(' || c == ')' || c == '"' || c == '\'' || c == '\\' ||
                                   IsCssSpace(c) || IsNonPrintable(c))
                                : (c == quote || c == '\\' || IsNewline(c) || c == '\0');
        if (!breaks) {
            out += c;
        } else if (u < 0x20 || u == 0x7F || c == ' ') {
            // A hex escape ends with a space, which the escape swallows.
            out += '\\';
            if (u >= 16) out += kHex[u >> 4];
            out += kHex[u & 15];
            out += ' ';
        } else {
            out += '\\';
            out += c;
        }
    }
    return out;
}

}  // namespace mirror
