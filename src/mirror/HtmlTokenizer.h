#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

// A tokenizer of HTML as browsers read it: tags with their attributes in any order, case and
// spacing, quoted and unquoted values with their character references decoded, comments, bogus
// comments, DOCTYPEs, and the raw text of script, style and their kind, which is not read as
// markup. It follows the tokenization states of the HTML standard; the few decisions that the
// standard leaves to tree construction (which elements switch to raw text, where CDATA sections
// are allowed) are taken from the start tags seen, with SVG and MathML tracked as far as that
// needs.
//
// It works in one pass over the bytes without copying them: names and values are views into
// the source unless they have to be changed (upper case, character references, CR, NUL), and
// then into a buffer the tokenizer reuses. Every token and attribute carries its byte offsets in
// the source, so that a value can be rewritten in place.

namespace mirror {

enum class HtmlTokenType : std::uint8_t { StartTag, EndTag, Comment, Doctype, Text, CData };

// What kind of content a Text token is: markup text, or the content of an element that is not
// read as markup.
enum class HtmlTextKind : std::uint8_t { Data, RawText, RcData, ScriptData, PlainText };

struct HtmlAttribute {
    std::string_view name;   // lower case
    std::string_view value;  // character references decoded; empty when there is no value
    std::size_t nameBegin = 0;
    std::size_t valueBegin = 0;  // the raw value in the source, without its quotes
    std::size_t valueEnd = 0;
    std::size_t end = 0;  // just past the attribute (past the closing quote, if any)
    char quote = 0;       // '"' or '\'', 0 for an unquoted value or none
    bool hasValue = false;
    // The value differs from the raw bytes (references, CR or NUL).
    bool decoded = false;
};

struct HtmlToken {
    HtmlTokenType type = HtmlTokenType::Text;
    std::size_t begin = 0;  // the token's bytes in the source
    std::size_t end = 0;
    std::string_view name;  // tags: lower case; DOCTYPE: its name, lower case
    // Text, Comment and CData: the raw bytes (character references not decoded).
    std::string_view text;
    HtmlTextKind textKind = HtmlTextKind::Data;
    bool selfClosing = false;
    std::vector<HtmlAttribute> attributes;  // start tags only; a repeated name keeps the first
    // The later attributes of a repeated name, which a browser ignores (their value is not
    // decoded). Whoever removes an attribute removes these too, lest one of them take its place.
    std::vector<HtmlAttribute> repeatedAttributes;

    const HtmlAttribute* Attribute(std::string_view lowerName) const;
};

class HtmlTokenizer {
  public:
    explicit HtmlTokenizer(std::string_view source);

    // Reads the next token; false at the end of the source. A tag cut off by the end of the
    // source gives no token, as in a browser.
    bool Next();
    const HtmlToken& Token() const { return token_; }
    std::string_view Source() const { return source_; }

  private:
    enum class Mode : std::uint8_t { Data, RawText, RcData, ScriptData, PlainText };
    // The open elements that decide between HTML and foreign (SVG, MathML) content.
    enum class Space : std::uint8_t { Svg, Math, Integration };
    struct OpenElement {
        Space space;
        std::string_view name;  // a literal
    };

    bool ReadData();
    bool ReadRawText();
    bool ReadScriptData();
    bool EmitText(std::size_t begin, std::size_t end, HtmlTextKind kind);
    // Reads the tag that starts at "<" (start tag) or "</" (end tag); false when the source ends
    // inside it.
    bool ReadTag(std::size_t at, bool endTag);
    void FinishTag();
    void ReadComment(std::size_t at);
    void ReadBogusComment(std::size_t at, std::size_t dataBegin);
    void ReadDoctype(std::size_t at);
    void ReadCData(std::size_t at);
    std::size_t FindRawTextEnd(std::size_t from) const;
    std::size_t FindScriptEnd(std::size_t from) const;
    bool IsEndTagOf(std::size_t at, std::string_view lowerName) const;
    void AfterStartTag();
    void AfterEndTag();
    bool InForeignContent() const;
    // Where a name or value lives: in the source, or in scratch_ (which may move while a tag is
    // read, so views into it are made when the tag is complete).
    struct Piece {
        bool inScratch;
        std::size_t offset, length;
    };
    Piece LoweredName(std::size_t begin, std::size_t end);
    std::string_view View(Piece piece) const;

    struct RawAttribute {
        std::size_t nameBegin, nameEnd, valueBegin, valueEnd, end;
        char quote;
        bool hasValue;
    };

    std::string_view source_;
    std::size_t pos_ = 0;
    Mode mode_ = Mode::Data;
    std::string_view rawTextEnd_;  // the element whose end tag ends the raw text (a literal)
    HtmlToken token_;
    std::vector<RawAttribute> raw_;
    std::string scratch_;
    std::vector<OpenElement> open_;
    std::vector<Piece> pieces_;
    std::vector<char> keep_;
    std::unordered_set<std::string_view> seenNames_;
};

}  // namespace mirror
