// The XML pull reader: finds nodes in a stream read block by block and lexes
// start tags into names and attributes.
#include "table/xml_reader.h"

#include <algorithm>

#include "base/ascii.h"
#include "base/exception.h"

namespace qualtren {

namespace {

bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Characters that end a name inside a tag.
bool IsNameChar(char c) {
  return !IsSpace(c) && c != '=' && c != ':' && c != '"' && c != '\'' && c != '/' && c != '<' &&
         c != '>';
}

// Characters whose presence after a start tag makes a text node.
bool IsTextChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
         c == ':';
}

std::string_view Trim(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && IsSpace(s[b]))
    ++b;
  while (e > b && IsSpace(s[e - 1]))
    --e;
  return s.substr(b, e - b);
}

[[noreturn]] void InvalidXml() {
  throw EXmlError("Invalid XML");
}

}  // namespace

std::string ReplaceXmlCharRefs(std::string_view text) {
  static constexpr std::pair<std::string_view, char> kRefs[] = {
      {"&#x27;", '\''}, {"&#x22;", '"'}, {"&#x3c;", '<'}, {"&#x3e;", '>'}, {"&#x26;", '&'}};
  std::string s(text);
  if (s.find('&') == std::string::npos) return s;
  for (const auto& [ref, ch] : kRefs) {
    std::string out;
    size_t from = 0;
    for (size_t at = s.find(ref); at != std::string::npos; at = s.find(ref, from)) {
      out.append(s, from, at - from);
      out += ch;
      from = at + ref.size();
    }
    if (from == 0) continue;
    out.append(s, from, std::string::npos);
    s = std::move(out);
  }
  return s;
}

// ---------------------------------------------------------------------------
// TXmlParser

void TXmlParser::Parse(std::string_view tag) {
  name_.clear();
  attributes_.clear();
  selfClosing_ = false;

  size_t end = tag.size();
  while (end > 0 && IsSpace(tag[end - 1]))
    --end;
  if (end > 0 && tag[end - 1] == '/') {
    selfClosing_ = true;
    --end;
  }

  size_t i = 0;
  while (i < end && !IsSpace(tag[i]))
    ++i;
  name_.assign(tag.substr(0, i));
  if (!name_.empty() && name_.back() == '/') name_.pop_back();

  auto skipSpace = [&] {
    while (i < end && IsSpace(tag[i]))
      ++i;
  };
  auto readName = [&] {
    size_t start = i;
    while (i < end && IsNameChar(tag[i]))
      ++i;
    return tag.substr(start, i - start);
  };

  while (true) {
    skipSpace();
    if (i >= end) break;
    char c = tag[i];
    if (IsNameChar(c)) {
      std::string name(readName());
      if (i < end && tag[i] == ':') {
        ++i;
        std::string_view local = readName();
        if (local.empty()) InvalidXml();
        name += ':';
        name += local;
      }
      skipSpace();
      if (i >= end || tag[i] != '=') continue;  // a name without a value is dropped
      ++i;
      skipSpace();
      if (i >= end) InvalidXml();
      std::string_view value;
      if (tag[i] == '"' || tag[i] == '\'') {
        size_t close = tag.find(tag[i], i + 1);
        if (close == std::string_view::npos || close >= end) InvalidXml();
        value = tag.substr(i + 1, close - i - 1);
        i = close + 1;
      } else {
        size_t start = i;
        while (i < end && !IsSpace(tag[i]))
          ++i;
        value = tag.substr(start, i - start);
      }
      attributes_.push_back({std::move(name), ReplaceXmlCharRefs(value)});
    } else if (c == '"' || c == '\'') {
      // A stray quoted token: skip it whole.
      size_t close = tag.find(c, i + 1);
      i = (close == std::string_view::npos || close >= end) ? end : close + 1;
    } else {
      ++i;  // any other stray character
    }
  }
}

// ---------------------------------------------------------------------------
// XmlTextReader

XmlTextReader::XmlTextReader(TStream& stream) : stream_(stream) {
  stream_.SetPosition(0);
}

bool XmlTextReader::Fill() {
  if (streamEnd_) return false;
  char block[kBlockSize];
  size_t n = stream_.Read(block, kBlockSize);
  if (n == 0) {
    streamEnd_ = true;
    return false;
  }
  buffer_.append(block, n);
  return true;
}

bool XmlTextReader::Ensure(size_t at, size_t count) {
  while (buffer_.size() < at + count)
    if (!Fill()) return false;
  return true;
}

size_t XmlTextReader::Find(std::string_view seq, size_t from) {
  size_t searchFrom = from;
  while (true) {
    size_t r = buffer_.find(seq, searchFrom);
    if (r != std::string::npos) return r;
    // A match may still start in the last seq.size()-1 bytes.
    if (buffer_.size() + 1 > searchFrom + seq.size()) searchFrom = buffer_.size() + 1 - seq.size();
    if (!Fill()) return std::string::npos;
  }
}

size_t XmlTextReader::FindTagEnd(size_t from) {
  bool afterEquals = false;
  char quote = 0;
  for (size_t i = from;; ++i) {
    if (i >= buffer_.size() && !Ensure(i, 1)) return std::string::npos;
    char c = buffer_[i];
    if (quote != 0) {
      if (c == quote) quote = 0;
    } else if (c == '>') {
      return i;
    } else if (c == '=') {
      afterEquals = true;
    } else if (afterEquals && (c == '"' || c == '\'')) {
      quote = c;
      afterEquals = false;
    } else if (!IsSpace(c)) {
      afterEquals = false;
    }
  }
}

void XmlTextReader::Compact() {
  // Drop what has been read once it is at least half of the buffer, so that
  // every byte is moved at most a bounded number of times.
  if (pos_ > 0 && pos_ * 2 >= buffer_.size()) {
    buffer_.erase(0, pos_);
    consumed_ += pos_;
    pos_ = 0;
  }
}

void XmlTextReader::Clear() {
  nodeType_ = TXmlNodeType::None;
  name_.clear();
  value_.clear();
  selfClosing_ = false;
  attributes_.clear();
  attrName_.clear();
  attrValue_.clear();
}

bool XmlTextReader::Read() {
  if (failed_) return false;
  try {
    std::string openTag;
    if (nodeType_ == TXmlNodeType::StartTag && !selfClosing_) openTag = name_;
    bool afterStartTag = nodeType_ == TXmlNodeType::StartTag && !selfClosing_;
    Clear();
    Compact();
    if (afterStartTag) {
      ReadTextAfter(openTag);
      if (nodeType_ == TXmlNodeType::Text) return true;
    }
    return ReadMarkup();
  } catch (...) {
    failed_ = true;
    Clear();
    throw;
  }
}

void XmlTextReader::ReadTextAfter(const std::string& tagName) {
  size_t lt = Find("<", pos_);
  size_t segEnd = lt == std::string::npos ? buffer_.size() : lt;
  if (!std::any_of(buffer_.begin() + static_cast<std::ptrdiff_t>(pos_),
                   buffer_.begin() + static_cast<std::ptrdiff_t>(segEnd), IsTextChar))
    return;
  // The text runs up to the element's end tag; when that never comes, up to
  // the next markup.
  size_t endTag = FindEndTag(tagName);
  size_t textEnd = endTag == std::string::npos ? segEnd : endTag;
  nodeType_ = TXmlNodeType::Text;
  value_.assign(buffer_, pos_, textEnd - pos_);
  pos_ = textEnd;
}

size_t XmlTextReader::FindEndTag(const std::string& tagName) {
  if (!endTagsIndexed_) {
    std::string closing = "</" + tagName;
    for (size_t from = pos_;;) {
      size_t at = Find(closing, from);
      if (at == std::string::npos) break;
      size_t after = at + closing.size();
      if (Ensure(after, 1) && (buffer_[after] == '>' || IsSpace(buffer_[after]))) return at;
      from = at + 1;
    }
    IndexEndTags();
  }
  auto it = endTags_.find(tagName);
  if (it == endTags_.end()) return std::string::npos;
  auto at = std::lower_bound(it->second.begin(), it->second.end(), consumed_ + pos_);
  return at == it->second.end() ? std::string::npos : *at - consumed_;
}

void XmlTextReader::IndexEndTags() {
  // The search that failed has buffered the whole rest of the document.
  endTagsIndexed_ = true;
  for (size_t at = buffer_.find("</", pos_); at != std::string::npos;
       at = buffer_.find("</", at + 1)) {
    size_t end = at + 2;
    while (end < buffer_.size() && buffer_[end] != '>' && !IsSpace(buffer_[end]))
      ++end;
    if (end < buffer_.size())
      endTags_[buffer_.substr(at + 2, end - at - 2)].push_back(consumed_ + at);
  }
}

bool XmlTextReader::ReadMarkup() {
  size_t lt = Find("<", pos_);
  if (lt == std::string::npos) {
    pos_ = buffer_.size();
    return false;
  }
  pos_ = lt;
  auto startsWith = [&](size_t at, std::string_view s) {
    return Ensure(at, s.size()) && buffer_.compare(at, s.size(), s) == 0;
  };

  if (startsWith(lt + 1, "?")) {
    size_t close = Find("?>", lt + 2);
    if (close == std::string::npos) throw EXmlError("Invalid declaration tag");
    std::string_view body(buffer_.data() + lt + 2, close - lt - 2);
    size_t n = 0;
    while (n < body.size() && !IsSpace(body[n]))
      ++n;
    nodeType_ = TXmlNodeType::Declaration;
    name_.assign(body.substr(0, n));
    value_.assign(Trim(body.substr(n)));
    pos_ = close + 2;
    return true;
  }
  if (startsWith(lt + 1, "!--")) {
    size_t close = Find("-->", lt + 4);
    if (close == std::string::npos) throw EXmlError("Invalid comment tag");
    nodeType_ = TXmlNodeType::Comment;
    value_.assign(buffer_, lt + 4, close - lt - 4);
    pos_ = close + 3;
    return true;
  }
  if (startsWith(lt + 1, "!DOCTYPE")) {
    // Up to ">", or, with an internal subset, up to the "]" that is followed
    // by ">".
    size_t i = lt + 9;
    while (true) {
      if (!Ensure(i, 1)) throw EXmlError("Invalid Document type tag");
      if (buffer_[i] == '>') break;
      if (buffer_[i] == '[') {
        size_t close = i;
        while (true) {
          close = Find("]", close + 1);
          if (close == std::string::npos) throw EXmlError("Invalid Document type tag");
          size_t k = close + 1;
          while (Ensure(k, 1) && IsSpace(buffer_[k]))
            ++k;
          if (!Ensure(k, 1)) throw EXmlError("Invalid Document type tag");
          if (buffer_[k] == '>') {
            i = k;
            break;
          }
        }
        break;
      }
      ++i;
    }
    nodeType_ = TXmlNodeType::DocumentType;
    name_ = "DOCTYPE";
    value_.assign(Trim(std::string_view(buffer_.data() + lt + 9, i - lt - 9)));
    pos_ = i + 1;
    return true;
  }
  if (startsWith(lt + 1, "/")) {
    size_t close = Find(">", lt + 2);
    if (close == std::string::npos) InvalidXml();
    std::string_view body = Trim(std::string_view(buffer_.data() + lt + 2, close - lt - 2));
    size_t n = 0;
    while (n < body.size() && !IsSpace(body[n]))
      ++n;
    nodeType_ = TXmlNodeType::EndTag;
    name_.assign(body.substr(0, n));
    pos_ = close + 1;
    return true;
  }
  ReadStartTag(lt);
  return true;
}

void XmlTextReader::ReadStartTag(size_t at) {
  size_t close = FindTagEnd(at + 1);
  if (close == std::string::npos) InvalidXml();
  parser_.Parse(std::string_view(buffer_.data() + at + 1, close - at - 1));
  nodeType_ = TXmlNodeType::StartTag;
  name_ = parser_.Name();
  selfClosing_ = parser_.SelfClosing();
  attributes_ = parser_.Attributes();
  pos_ = close + 1;
}

void XmlTextReader::MoveToAttribute(int i) {
  if (i < 0 || i >= AttributeCount())
    throw EXmlError(Format("Attribute not found (%d)", {std::to_string(i)}));
  attrName_ = attributes_[static_cast<size_t>(i)].Name;
  attrValue_ = attributes_[static_cast<size_t>(i)].Value;
}

std::optional<std::string> XmlTextReader::GetAttribute(std::string_view lowerName) const {
  for (const TXmlAttribute& a : attributes_)
    if (LowerAscii(a.Name) == lowerName) return a.Value;
  return std::nullopt;
}

}  // namespace qualtren
