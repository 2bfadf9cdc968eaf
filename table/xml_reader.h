// A small pull reader for XML table files: TXmlParser splits one start tag
// into its name and attributes, XmlTextReader walks the nodes of a document
// read from a stream (start tags, end tags, text, comments, declarations and
// document type declarations).
#pragma once

#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/stream.h"

namespace qualtren {

enum class TXmlNodeType { None, StartTag, EndTag, Text, Comment, Declaration, DocumentType };

struct TXmlAttribute {
  std::string Name;
  std::string Value;  // with the five character references replaced
};

// Replaces "&#x27;", "&#x22;", "&#x3c;", "&#x3e;" and "&#x26;", in this order,
// by the characters they stand for; no other reference is decoded.
std::string ReplaceXmlCharRefs(std::string_view text);

// Lexes the inside of a start tag, the text between "<" and ">". The name
// runs to the first white space; a "/" before ">" marks the self-closing form.
// Attributes are name=value pairs with a quoted value or a single word; a
// name may carry one prefix and a colon. A prefix without a name after its
// colon, or an equals sign without a value, raises "Invalid XML"; other stray
// characters are skipped and a name without a value is dropped.
class TXmlParser {
 public:
  void Parse(std::string_view tag);

  const std::string& Name() const { return name_; }
  const std::vector<TXmlAttribute>& Attributes() const { return attributes_; }
  bool SelfClosing() const { return selfClosing_; }

 private:
  std::string name_;
  std::vector<TXmlAttribute> attributes_;
  bool selfClosing_ = false;
};

class XmlTextReader {
 public:
  // Reads the stream from offset 0, in blocks of 4096 bytes.
  explicit XmlTextReader(TStream& stream);
  XmlTextReader(const XmlTextReader&) = delete;
  XmlTextReader& operator=(const XmlTextReader&) = delete;

  // Moves to the next node; false at the end of the document.
  bool Read();

  TXmlNodeType NodeType() const { return nodeType_; }
  // Tag name, declaration target ("xml"), or empty.
  const std::string& Name() const { return name_; }
  // Text of a text node, comment, declaration or document type declaration.
  const std::string& Value() const { return value_; }
  bool IsSelfClosing() const { return selfClosing_; }

  int AttributeCount() const { return static_cast<int>(attributes_.size()); }
  // Makes attribute i current; "Attribute not found (%d)" when there is none.
  void MoveToAttribute(int i);
  const std::string& AttributeName() const { return attrName_; }
  const std::string& AttributeValue() const { return attrValue_; }
  // The value of the attribute whose lower-cased name equals lowerName.
  std::optional<std::string> GetAttribute(std::string_view lowerName) const;

  static constexpr size_t kBlockSize = 4096;

 private:
  // Reads one more block onto the buffer; false at the end of the stream.
  bool Fill();
  // Makes sure that count bytes from position at are buffered.
  bool Ensure(size_t at, size_t count);
  // Index of the first occurrence of seq at or after from; npos when the
  // stream ends first.
  size_t Find(std::string_view seq, size_t from);
  // Index of the ">" that closes a start tag whose text starts at from,
  // skipping quoted attribute values; npos when the stream ends first.
  size_t FindTagEnd(size_t from);
  void Compact();
  void Clear();
  bool ReadMarkup();
  void ReadStartTag(size_t at);
  void ReadTextAfter(const std::string& tagName);
  size_t FindEndTag(const std::string& tagName);
  void IndexEndTags();

  TStream& stream_;
  std::string buffer_;
  size_t pos_ = 0;  // first unread byte of buffer_
  bool streamEnd_ = false;
  bool failed_ = false;
  size_t consumed_ = 0;  // bytes dropped from the front of buffer_
  // Once a search for an end tag has run to the end of the document, every
  // end tag of the rest is indexed: name -> stream offsets, ascending. Later
  // searches look there, so no text node rescans the document.
  bool endTagsIndexed_ = false;
  std::map<std::string, std::vector<size_t>> endTags_;

  TXmlNodeType nodeType_ = TXmlNodeType::None;
  std::string name_;
  std::string value_;
  bool selfClosing_ = false;
  std::vector<TXmlAttribute> attributes_;
  std::string attrName_;
  std::string attrValue_;
  TXmlParser parser_;
};

}  // namespace qualtren
