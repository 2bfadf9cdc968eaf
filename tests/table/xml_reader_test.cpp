// Tests of the XML pull reader and its tag lexer: node kinds, attributes,
// character references, markup errors, block boundaries and truncated input.
#include "table/xml_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "base/exception.h"

namespace qualtren {
namespace {

struct Node {
  TXmlNodeType type;
  std::string name;
  std::string value;
  std::vector<TXmlAttribute> attrs;
  bool selfClosing;
};

std::vector<Node> ReadAll(const std::string& doc) {
  TMemoryStream stream(doc);
  XmlTextReader reader(stream);
  std::vector<Node> nodes;
  while (reader.Read()) {
    Node n{reader.NodeType(), reader.Name(), reader.Value(), {}, reader.IsSelfClosing()};
    for (int i = 0; i < reader.AttributeCount(); ++i) {
      reader.MoveToAttribute(i);
      n.attrs.push_back({reader.AttributeName(), reader.AttributeValue()});
    }
    nodes.push_back(std::move(n));
  }
  return nodes;
}

// The nodes of a document in one line: a letter for the kind (Declaration,
// Comment, Y for a document type, Start, End, Text), the name of a tag or
// declaration in parentheses, any other node's value in brackets, "/" for a
// self-closing tag.
std::string Summary(const std::vector<Node>& nodes) {
  std::string out;
  for (const Node& n : nodes) {
    if (!out.empty()) out += ' ';
    out += "-SETCDY"[static_cast<int>(n.type)];
    const bool named = n.type == TXmlNodeType::StartTag || n.type == TXmlNodeType::EndTag ||
                       n.type == TXmlNodeType::Declaration;
    if (named) out += "(" + n.name + ")";
    if (n.type != TXmlNodeType::StartTag && n.type != TXmlNodeType::EndTag)
      out += "[" + n.value + "]";
    if (n.selfClosing) out += '/';
  }
  return out;
}

std::string ErrorOf(const std::string& doc) {
  try {
    ReadAll(doc);
  } catch (const EXmlError& e) {
    return e.what();
  }
  return "";
}

TEST(XmlReader, NodeKindsInOrder) {
  const std::string doc =
      "\xEF\xBB\xBF<?xml version='1.0'?>\r\n"
      "<!-- a comment -->"
      "<!DOCTYPE root [<!ELEMENT root ANY>]>"
      "<root a='1'>"
      "<item/>"
      "<note>some text</note>"
      "<empty>  \r\n </empty>"
      "</root >";
  // White space alone after a start tag is no text node.
  EXPECT_EQ(Summary(ReadAll(doc)),
            "D(xml)[version='1.0'] C[ a comment ] Y[root [<!ELEMENT root ANY>]] S(root) "
            "S(item)/ S(note) T[some text] E(note) S(empty) E(empty) E(root)");
}

TEST(XmlReader, TextRunsToTheMatchingEndTag) {
  // Without an end tag of c the text stops at the next markup.
  EXPECT_EQ(Summary(ReadAll("<a>x <b/> y</a><c>1</cc><d/>")),
            "S(a) T[x <b/> y] E(a) S(c) T[1] E(cc) S(d)/");
  // After a search has run to the end, later texts still find their end tags.
  EXPECT_EQ(Summary(ReadAll("<a>x<b>y <i/></b><c>z</c >w")),
            "S(a) T[x] S(b) T[y <i/>] E(b) S(c) T[z] E(c)");
  // Doctype without an internal subset.
  EXPECT_EQ(Summary(ReadAll("<!DOCTYPE html><p/>")), "Y[html] S(p)/");
}

TEST(XmlReader, AttributeLexing) {
  std::vector<Node> n = ReadAll(
      "<z:row  p:x = \"1\" bare y='tw\"o' \"stray\" z=word q:r=\"a>b\" e='' "
      "last='&#x3c;&amp;&#x26;'/>"
      "<a\tb=\"1\"\r\nc=2 />");
  ASSERT_EQ(n.size(), 2u);
  EXPECT_EQ(n[0].name, "z:row");
  EXPECT_TRUE(n[0].selfClosing);
  ASSERT_EQ(n[0].attrs.size(), 6u);
  EXPECT_EQ(n[0].attrs[0].Name, "p:x");
  EXPECT_EQ(n[0].attrs[0].Value, "1");
  EXPECT_EQ(n[0].attrs[1].Name, "y");  // "bare" has no value and is dropped
  EXPECT_EQ(n[0].attrs[1].Value, "tw\"o");
  EXPECT_EQ(n[0].attrs[2].Name, "z");
  EXPECT_EQ(n[0].attrs[2].Value, "word");
  EXPECT_EQ(n[0].attrs[3].Value, "a>b");  // ">" inside quotes does not end the tag
  EXPECT_EQ(n[0].attrs[4].Name, "e");
  EXPECT_EQ(n[0].attrs[4].Value, "");
  EXPECT_EQ(n[0].attrs[5].Value, "<&amp;&");
  EXPECT_EQ(n[1].name, "a");
  EXPECT_TRUE(n[1].selfClosing);
  ASSERT_EQ(n[1].attrs.size(), 2u);
  EXPECT_EQ(n[1].attrs[1].Name, "c");
  EXPECT_EQ(n[1].attrs[1].Value, "2");

  TMemoryStream stream(std::string("<A Name='n' RS:Name='r'>"));
  XmlTextReader reader(stream);
  ASSERT_TRUE(reader.Read());
  EXPECT_EQ(reader.GetAttribute("name"), "n");
  EXPECT_EQ(reader.GetAttribute("rs:name"), "r");
  EXPECT_FALSE(reader.GetAttribute("dt:type").has_value());
  try {
    reader.MoveToAttribute(2);
    FAIL();
  } catch (const EXmlError& e) {
    EXPECT_STREQ(e.what(), "Attribute not found (2)");
  }
  EXPECT_THROW(reader.MoveToAttribute(-1), EXmlError);
  reader.MoveToAttribute(1);
  EXPECT_EQ(reader.AttributeName(), "RS:Name");
}

TEST(XmlReader, CharacterReferences) {
  EXPECT_EQ(ReplaceXmlCharRefs("&#x27;&#x22;&#x3c;&#x3e;&#x26;"), "'\"<>&");
  // The ampersand goes last, so a reference is never decoded twice.
  EXPECT_EQ(ReplaceXmlCharRefs("&#x26;#x27;"), "&#x27;");
  // Nothing else is decoded.
  EXPECT_EQ(ReplaceXmlCharRefs("&amp;&lt;&#39;&#X27;&#x3C;"), "&amp;&lt;&#39;&#X27;&#x3C;");
}

TEST(XmlReader, MarkupErrors) {
  const std::pair<const char*, const char*> kCases[] = {
      {"<?xml version='1.0'", "Invalid declaration tag"},
      {"<a/><!-- never closed ->", "Invalid comment tag"},
      {"<!DOCTYPE x [<!ELEMENT x ANY>", "Invalid Document type tag"},
      {"<!DOCTYPE x", "Invalid Document type tag"},
      {"<a p:='1'/>", "Invalid XML"},
      {"<a p: x='1'/>", "Invalid XML"},
      {"<a x= >", "Invalid XML"},
      {"<a x=/>", "Invalid XML"},
      {"<a x='1>", "Invalid XML"},  // the quote swallows the rest
      {"<a><b", "Invalid XML"},
      {"<a></a", "Invalid XML"},
  };
  for (const auto& [doc, message] : kCases)
    EXPECT_EQ(ErrorOf(doc), message) << doc;
  // A failed reader stays at the end.
  TMemoryStream stream(std::string("<!-- x"));
  XmlTextReader reader(stream);
  EXPECT_THROW(reader.Read(), EXmlError);
  EXPECT_FALSE(reader.Read());
}

TEST(XmlReader, StartsAtOffsetZero) {
  TMemoryStream stream(std::string("<first/><second/>"));
  stream.SetPosition(8);
  XmlTextReader reader(stream);
  ASSERT_TRUE(reader.Read());
  EXPECT_EQ(reader.Name(), "first");
}

// Places each kind of node so that it straddles the first block boundary at
// every offset, and reads a tag much longer than a block.
TEST(XmlReader, NodesAcrossBlockBoundaries) {
  const std::string tail =
      "<?xml a?><!--c--><!DOCTYPE d [<!ELEMENT d ANY>]><z:row n='v&#x26;w' m=\"x\"/><e>t</e>";
  for (size_t pad = XmlTextReader::kBlockSize - tail.size() - 2;
       pad <= XmlTextReader::kBlockSize + 2; ++pad) {
    std::string doc = "<p>" + std::string(pad, ' ') + tail;
    std::vector<Node> n = ReadAll(doc);
    ASSERT_EQ(Summary(n), "S(p) D(xml)[a] C[c] Y[d [<!ELEMENT d ANY>]] S(z:row)/ S(e) T[t] E(e)")
        << pad;
    ASSERT_EQ(n[4].attrs.size(), 2u) << pad;
    EXPECT_EQ(n[4].attrs[0].Value, "v&w") << pad;
    EXPECT_EQ(n[4].attrs[1].Value, "x") << pad;
  }

  std::string big(3 * XmlTextReader::kBlockSize + 17, 'q');
  big[5000] = '>';  // quoted, so it does not end the tag
  std::vector<Node> n = ReadAll("<r a='" + big + "' b='2'/><s/>");
  ASSERT_EQ(n.size(), 2u);
  ASSERT_EQ(n[0].attrs.size(), 2u);
  EXPECT_EQ(n[0].attrs[0].Value, big);
  EXPECT_EQ(n[0].attrs[1].Value, "2");
  EXPECT_EQ(n[1].name, "s");

  std::string comment(2 * XmlTextReader::kBlockSize, '-');
  comment[0] = 'x';
  n = ReadAll("<!--" + comment + "--><s/>");
  ASSERT_EQ(n.size(), 2u);
  EXPECT_EQ(n[0].value, comment);
}

// Every prefix and every one-byte corruption of a document either reads or
// fails with the reader's own error.
TEST(XmlReader, TruncatedAndCorruptInput) {
  const std::string doc =
      "\xEF\xBB\xBF<?xml version='1.0'?><!--c--><!DOCTYPE d [<!ELEMENT d ANY>]>"
      "<xml xmlns:s='u'><s:Schema><s:AttributeType name='a' rs:name='b'>"
      "<s:datatype dt:type='string' dt:maxlength='5'/></s:AttributeType></s:Schema>"
      "<rs:data><z:row a='x&#x26;y' b=w/><t>text</t></rs:data></xml>";
  size_t total = 0;
  for (size_t len = 0; len <= doc.size(); ++len) {
    try {
      total += ReadAll(doc.substr(0, len)).size();
    } catch (const EXmlError&) {
    }
  }
  EXPECT_GT(total, 0u);
  const char replacements[] = {'<', '>', '\'', '"', '=', ':', '/', '?', '!', '-', '[', ']', ' '};
  for (size_t at = 0; at < doc.size(); ++at) {
    for (char r : replacements) {
      std::string bad = doc;
      bad[at] = r;
      try {
        ReadAll(bad);
      } catch (const EXmlError&) {
      }
    }
  }
}

}  // namespace
}  // namespace qualtren
