// Tests of the PMML documents: the model of a run as the native and the
// standard document, write -> read -> write round trips with every double
// bit for bit, the layout's edge cases, malformed and hostile documents,
// schema validation of the standard export with xmllint, and the standard
// examples of the PMML schema's folder.
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include <gtest/gtest.h>

#include "engine/sal_engine.h"
#include "pmml/model_export.h"
#include "pmml/pmml_numbers.h"
#include "pmml/pmml_reader.h"
#include "pmml/pmml_writer.h"
#include "testutil/test_host.h"

namespace linkan::pmml {
namespace {

using testing::TestAnalysis;
using testing::TestHost;

int Count(const std::string& text, const std::string& what) {
  int n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

// A run's engine over variables id, time, r, d (labels yes/no/maybe),
// c (continuous), then the non-sequential md, mc; items a b c.
class RunModel : public ::testing::Test {
 protected:
  void SetUp() override {
    host.AddNumeric("id", {1});
    host.AddNumeric("time", {1});
    host.AddText("r", {"x"});
    host.AddText("d", {"yes", "no", "maybe"});
    host.AddNumeric("c", {1.5});
    host.AddText("md", {"u"});
    host.AddNumeric("mc", {2});
    engine = std::make_unique<SalEngine>(support, nullptr);
    AnalysisSettings& s = engine->settings;
    s.ResetToDefaults(7);
    s.noseq = 1;
    s.nsidvar = 1, s.sidvar[0] = 1;
    s.ntidvar = 1, s.tidvar[0] = 2;
    s.nresvars = 1, s.resvars[0] = 3;
    s.ndichvars = 1, s.dichvars[0] = 4;
    s.SetDichCodes(0, {1, 2, 3});
    s.ncontvars = 1, s.contvars[0] = 5;
    s.nmdresvars = 1, s.mdresvars[0] = 6;
    s.nmdcontvars = 1, s.mdcontvars[0] = 7;
    engine->contStats = {{.min = 0.5, .max = 9.25, .width = 0.1, .mean = 1.0 / 3, .m2 = 2.0}};
    engine->mdContStats = {{.min = -1, .max = 1, .width = 0.5, .mean = 0, .m2 = 1}};
    s.size = 3;
    for (const char* n : {"a", "b", "c"}) engine->items.Add(n);
    engine->patterns.Record({{1}}, 3);
    engine->patterns.Record({{2}}, 2);
    engine->patterns.Record({{1, 2}}, 2);
    engine->patterns.Record({{3}}, 1);  // no frequent single item (maxsupp)
    engine->rules = {{1, 0, 2, 2, 3, 2}, {0, 1, 2, 3, 2, 2}};
    engine->itemFrequency = {{1, 3}, {2, 2}};
  }
  std::string Native() { return WriteDocument(MakeDocument(support, *engine), Dialect::kNative); }

  TestHost host;
  TestAnalysis support{&host};
  std::unique_ptr<SalEngine> engine;
};

TEST_F(RunModel, NativeDocumentLayout) {
  const std::string xml = Native();
  // The elements in their order, with the attribute names of the layout.
  const char* inOrder[] = {
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>", "<PMML version=\"1.0\">", "<Header copyright=",
      "<DataDictionary numberOfFields=\"5\">", "<DataField name=\"id\" optype=\"categorical\" />",
      "<DataField name=\"time\" optype=\"continuous\" />",
      "<DataField name=\"r\" optype=\"categorical\" />",
      "<DataField name=\"d\" optype=\"categorical\">", "<Value value=\"yes\" numericValue=\"1\" />",
      "<Value value=\"maybe\" numericValue=\"3\" />",
      "<DataField name=\"c\" optype=\"continuous\" minimum=\"0.5\" maximum=\"9.25\" "
      "rangeOfInterval=\"0.1\" mean=\"0.3333333333333333\" variance=\"2\" />",
      "<AssociationModel functionName=\"associationRules\" numberOfSets=\"4\" minimumSupport=\"0.2\" "
      "minimumConfidence=\"0.1\" maximumSupport=\"1\" maximumConfidence=\"1\" "
      "numberOfTransactions=\"3\" numberOfItems=\"2\" numberOfRules=\"2\" "
      "maxNumberOfItemsPerTransaction=\"10\">",
      "<MiningSchema numberOfFields=\"5\">", "<MiningField name=\"id\" usageType=\"transaction\" />",
      "<MiningField name=\"time\" usageType=\"time\" />", "<MiningField name=\"d\" usageType=\"categorical\">",
      "<MiningField name=\"c\" usageType=\"continuous\" minimum=",
      "<Item id=\"1\" value=\"a\" />", "<Item id=\"3\" value=\"c\" />",
      "<Itemset id=\"0\" support=\"1\" numberOfItems=\"1\">", "<ItemRef itemRef=\"1\" />",
      "<Itemset id=\"2\" support=\"0.6666666666666666\" numberOfItems=\"2\">",
      "<AssociationRule id=\"0\" support=\"0.6666666666666666\" confidence=\"1\" lift=\"1\">",
      "<AntecedentItemset>", "<ConsequentItemset>", "</AssociationModel>", "</PMML>"};
  std::size_t at = 0;
  for (const char* piece : inOrder) {
    const std::size_t found = xml.find(piece, at);
    ASSERT_NE(found, std::string::npos) << piece << "\n" << xml;
    at = found;
  }
  // Three codes in both DataField and MiningField; non-sequential fields
  // only in sequence analysis; an Item also for the item that only an
  // itemset names.
  EXPECT_EQ(Count(xml, "<Value "), 6);
  EXPECT_EQ(Count(xml, "multidimensional"), 0);
  EXPECT_EQ(Count(xml, "<Item "), 3);
}

TEST_F(RunModel, EdgeCasesOfTheLayout) {
  AnalysisSettings& s = engine->settings;
  s.noseq = 0;
  s.ntidvar = 0;
  engine->rules.clear();
  const std::string seq = Native();
  EXPECT_EQ(Count(seq, "\"time\""), 0);
  EXPECT_EQ(Count(seq, "<DataField "), 6);  // id r d c md mc
  EXPECT_NE(seq.find("<MiningField name=\"md\" usageType=\"multidimensionalResponse\" />"), std::string::npos);
  EXPECT_NE(seq.find("usageType=\"multidimensionalContinuous\" minimum=\"-1\""), std::string::npos);
  EXPECT_NE(seq.find("numberOfRules=\"0\""), std::string::npos);
  EXPECT_EQ(Count(seq, "<SequenceRule"), 0);
  EXPECT_NE(seq.find("<Sequence id=\"0\" numberOfItemsets=\"1\" support=\"1\">"), std::string::npos);
  // A sequence whose itemsets all lack their id holds none: refused, not
  // read as an empty pattern.
  std::string empty = seq;
  const std::string counted = "<Sequence id=\"0\" numberOfItemsets=\"1\"";
  const std::size_t at = empty.find(counted);
  empty.replace(at, counted.size(), "<Sequence id=\"0\" numberOfItemsets=\"0\"");
  const std::size_t set = empty.find("<Itemset id=", at);
  ASSERT_NE(set, std::string::npos);
  empty.replace(set, 12, "<Itemset yd=");
  const ReadResult refused = ReadDocument(empty);
  ASSERT_TRUE(refused.error);
  EXPECT_NE(refused.error->description.find("holds no Itemset"), std::string::npos)
      << refused.error->description;
  EXPECT_NE(seq.find("FixedNumberOfItemsetsPerSequence=\"1\" minimumTime=\"-100000000\""), std::string::npos);
  s.CombineItemsetMode = 1;
  s.FixedTimeLength = 2.5;
  EXPECT_NE(Native().find("timeWindowWidth=\"2.5\""), std::string::npos);
}

// Names with markup and non-ASCII letters are escaped by the XML library
// and come back exactly.
TEST_F(RunModel, TextIsEscapedAndComesBack) {
  engine->items.Clear();
  for (const char* n : {"<&>\"'", "Zürich ✓", "a b"}) engine->items.Add(n);
  const Document doc = MakeDocument(support, *engine);
  for (const Dialect dialect : {Dialect::kNative, Dialect::kPmml44}) {
    const ReadResult read = ReadDocument(WriteDocument(doc, dialect));
    ASSERT_FALSE(read.error) << read.error->description;
    EXPECT_EQ(read.doc.items, doc.items);
  }
}

// A document with every figure random (every bit pattern of a finite
// double) and random patterns: write -> read gives the same document, and
// writing it again the same text, in both dialects.
Document RandomDocument(std::mt19937_64& rng, bool association) {
  auto real = [&] {
    double x;
    do {
      const std::uint64_t bits = rng();
      std::memcpy(&x, &bits, sizeof x);
    } while (!std::isfinite(x));
    return x;
  };
  Document d;
  d.association = association;
  d.fields = {{"id", Usage::kTransaction}, {"r", Usage::kResponse},
              {"d", Usage::kCategorical, "", {{"yes", 1}, {"2.5", 7}, {"no", -3}}},
              {"c", Usage::kContinuous, "", {}, {real(), real(), real(), real(), real()}},
              {"w", Usage::kOther, "weight"}};
  if (!association) {
    d.fields.push_back({"mc", Usage::kMdContinuous, "", {}, {real(), real(), real(), real(), real()}});
    d.fields.push_back({"md", Usage::kMdCategorical, "", {{"x", 4}}});
  }
  d.numberOfTransactions = rng() >> 20;
  d.numberOfItems = 7;
  d.maxItemsPerTransaction = 5;
  d.minimumSupport = real(), d.minimumConfidence = real();
  d.maximumSupport = real(), d.maximumConfidence = real();
  if (!association) {
    d.combineByTime = rng() % 2 == 0;
    d.timeWindowWidth = d.combineByTime ? real() : 0.0;
    d.fixedItemsets = d.combineByTime ? 1 : 3;
    d.minimumTime = real(), d.maximumTime = real();
    d.maxItemsetsPerSequence = 4;
  }
  for (ItemNumber i = 1; i <= 9; ++i) d.items.emplace_back(i, "item " + std::to_string(i));
  std::set<Pattern> seen;
  while (d.patterns.size() < 20) {
    Pattern p(association ? 1 : 1 + rng() % 3);
    for (Itemset& s : p) {
      for (ItemNumber i = 1; i <= 9; ++i) {
        if (rng() % 3 == 0) s.push_back(i);
      }
      if (s.empty()) s.push_back(1 + static_cast<ItemNumber>(rng() % 9));
    }
    if (seen.insert(p).second) d.patterns.push_back({p, real()});
  }
  for (int k = 0; k < 15; ++k) {
    d.rules.push_back({d.patterns[rng() % 20].pattern, d.patterns[rng() % 20].pattern, real(), real(),
                       association ? real() : 0.0});
  }
  return d;
}

bool BitIdentical(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

TEST(PmmlRoundTrip, WriteReadWriteIsIdenticalAndEveryDoubleBitForBit) {
  std::mt19937_64 rng(::testing::UnitTest::GetInstance()->random_seed());
  for (int round = 0; round < 20; ++round) {
    const bool association = round % 2 == 0;
    const Document doc = RandomDocument(rng, association);
    for (const Dialect dialect : {Dialect::kNative, Dialect::kPmml44}) {
      const std::string first = WriteDocument(doc, dialect);
      const ReadResult read = ReadDocument(first);
      ASSERT_FALSE(read.error) << read.error->description << "\n" << first;
      EXPECT_EQ(WriteDocument(read.doc, dialect), first);
      EXPECT_EQ(read.doc, doc);  // == on doubles: equal values; and bit for bit:
      EXPECT_TRUE(BitIdentical(read.doc.fields[3].stats.mean, doc.fields[3].stats.mean));
      for (std::size_t k = 0; k < doc.rules.size(); ++k) {
        EXPECT_TRUE(BitIdentical(read.doc.rules[k].confidence, doc.rules[k].confidence));
      }
    }
  }
  EXPECT_EQ(RealText(-1e8), "-100000000");
  EXPECT_EQ(RealText(1e16), "1e+16");
  EXPECT_EQ(RealText(0.0001), "0.0001");
  EXPECT_EQ(RealText(1e-5), "1e-05");
  for (const double x : {0.1, 1.0 / 3, 1e-300, 5e-324, -0.0, 1.7976931348623157e308}) {
    EXPECT_TRUE(BitIdentical(*ParseReal(RealText(x)), x)) << RealText(x);
  }
}

// ---- Malformed and hostile documents ----

const char* const kSmall = R"(<?xml version="1.0"?>
<PMML version="1.0"><Header/><DataDictionary numberOfFields="1"/>
<AssociationModel functionName="associationRules">
<MiningSchema numberOfFields="1"><MiningField name="r" usageType="response"/></MiningSchema>
<Item id="1" value="a"/><Item id="2" value="b"/>
<Itemset id="0" support="0.5" numberOfItems="2"><ItemRef itemRef="1"/><ItemRef itemRef="2"/></Itemset>
<AssociationRule id="0" support="0.5" confidence="1" lift="2"><AntecedentItemset><ItemRef itemRef="1"/></AntecedentItemset><ConsequentItemset><ItemRef itemRef="2"/></ConsequentItemset></AssociationRule>
</AssociationModel></PMML>)";

std::string Replace(std::string text, const std::string& from, const std::string& to) {
  const std::size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

TEST(PmmlReader, MalformedDocumentsAreRefusedWithWhereAndWhy) {
  ASSERT_FALSE(ReadDocument(kSmall).error);
  const struct {
    std::string text;
    unsigned code;
    const char* why;
    long line;
  } cases[] = {
      {Replace(kSmall, "numberOfItems=\"2\"", "numberOfItems=\"3\""), kMalformedModel,
       "numberOfItems is 3 but it holds 2 ItemRef elements", 6},
      {Replace(kSmall, "numberOfItems=\"2\"", "numberOfItems=\"1\""), kMalformedModel,
       "numberOfItems is 1 but it holds 2", 6},
      {Replace(kSmall, "itemRef=\"2\"/></Itemset>", "itemRef=\"x\"/></Itemset>"), kMalformedModel,
       "itemRef=\"x\" is no whole number", 6},
      {Replace(kSmall, "itemRef=\"2\"/></Itemset>", "itemRef=\"9\"/></Itemset>"), kMalformedModel,
       "itemRef 9 names no Item", 6},
      {Replace(kSmall, "support=\"0.5\" numberOfItems", "support=\"n/a\" numberOfItems"), kMalformedModel,
       "support=\"n/a\" is no number", 6},
      {Replace(kSmall, " lift=\"2\"", ""), kMalformedModel, "AssociationRule 0 has no lift", 7},
      {Replace(kSmall, "<Item id=\"2\"", "<Item id=\"1\""), kMalformedModel, "the id is used twice", 5},
      {"<PMML version=\"1.0\"><Header/></PMML>", kNoModel, "neither an AssociationModel nor a SequenceModel", 1},
      {"<PMML><Item></PMML>", 14, "", 1},  // pugixml: mismatched end tag
      {"", 16, "", 0},                     // no document element
      {std::string("<!DOCTYPE PMML [<!ENTITY x SYSTEM \"file:///etc/passwd\">]>\n") + kSmall, kDoctypeRefused,
       "document type declaration", 1},
  };
  for (const auto& c : cases) {
    const ReadResult r = ReadDocument(c.text);
    ASSERT_TRUE(r.error) << c.text;
    EXPECT_EQ(r.error->code, c.code) << r.error->description;
    EXPECT_NE(r.error->description.find(c.why), std::string::npos) << r.error->description;
    if (c.line > 0) {
      EXPECT_EQ(r.error->line, c.line) << r.error->description;
    }
  }
  // The mismatched closing tag gets over the malformed model element too.
  EXPECT_EQ(ReadDocument(Replace(kSmall, "</AssociationModel>", "")).error->code, 14u);
}

TEST(PmmlReader, EntitiesAreNeverExpandedNorFetched) {
  // An external entity and an expansion bomb: refused for their DTD; and
  // undeclared references (no DTD) stay unexpanded text at most.
  const std::string bomb =
      "<?xml version=\"1.0\"?>\n<!DOCTYPE PMML [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">"
      "<!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;\"><!ENTITY d \"&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;\">]>\n" +
      Replace(kSmall, "value=\"a\"", "value=\"&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;\"").substr(22);
  const std::string external = "<?xml version=\"1.0\"?>\n<!DOCTYPE PMML SYSTEM \"http://example.invalid/x.dtd\">\n" +
                               Replace(kSmall, "value=\"a\"", "value=\"&xxe;\"").substr(22);
  for (const std::string& text : {bomb, external}) {
    const ReadResult r = ReadDocument(text);
    ASSERT_TRUE(r.error);
    EXPECT_EQ(r.error->code, kDoctypeRefused);
    EXPECT_EQ(r.error->line, 2);
  }
  const ReadResult plain = ReadDocument(Replace(kSmall, "value=\"a\"", "value=\"&xxe;\""));
  ASSERT_FALSE(plain.error);
  EXPECT_EQ(plain.doc.items.front().second, "&xxe;");
}

TEST(PmmlReader, CodesAreSizedFromTheValuesPresent) {
  std::string values;
  for (int k = 0; k < 1500; ++k) {
    values += "<Value value=\"v" + std::to_string(k) + "\" numericValue=\"" + std::to_string(k) + "\"/>";
  }
  const ReadResult r = ReadDocument(Replace(
      kSmall, "<MiningField name=\"r\" usageType=\"response\"/>",
      "<MiningField name=\"d\" usageType=\"categorical\">" + values + "</MiningField>"));
  ASSERT_FALSE(r.error) << r.error->description;
  ASSERT_EQ(r.doc.fields.at(0).codes.size(), 1500u);
  EXPECT_EQ(r.doc.fields[0].codes[1499], (Code{"v1499", 1499}));
}

// ---- The standard dialect ----

std::string SharedDir() {
  const char* dir = std::getenv("LINKAN_SHARED_DIR");
  return dir ? dir : "";
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

TEST_F(RunModel, StandardExportsValidateAgainstTheSchema) {
  if (std::system("command -v xmllint >/dev/null 2>&1") != 0) {
    GTEST_SKIP() << "xmllint is not installed (Debian libxml2-utils): the schema check is skipped";
  }
  const std::string schema = SharedDir() + "/pmml/pmml-4-4.xsd";
  ASSERT_TRUE(std::filesystem::exists(schema)) << schema;
  const std::string folder = ::testing::TempDir() + "/pmml-validate";
  std::filesystem::create_directories(folder);
  for (const int noseq : {1, 0}) {
    engine->settings.noseq = noseq;
    const std::string file = folder + (noseq ? "/association.pmml" : "/sequence.pmml");
    ASSERT_EQ(SaveDocument(MakeDocument(support, *engine), Dialect::kPmml44, file), "");
    const std::string command = "xmllint --noout --schema '" + schema + "' '" + file + "' 2>&1";
    std::string output;
    FILE* pipe = ::popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    char buf[512];
    while (std::fgets(buf, sizeof buf, pipe)) output += buf;
    EXPECT_EQ(::pclose(pipe), 0) << output;
    // The native document is no standard one: the check is a real one.
    ASSERT_EQ(SaveDocument(MakeDocument(support, *engine), Dialect::kNative, file), "");
    EXPECT_NE(std::system(("xmllint --noout --schema '" + schema + "' '" + file + "' >/dev/null 2>&1").c_str()), 0);
  }
}

TEST(PmmlReader, ReadsTheStandardExamples) {
  const std::string examples = SharedDir() + "/pmml/examples/";
  const ReadResult assoc = ReadDocument(ReadFile(examples + "association-valid.xml"));
  ASSERT_FALSE(assoc.error) << assoc.error->description;
  EXPECT_TRUE(assoc.doc.association);
  EXPECT_EQ(assoc.doc.numberOfTransactions, 10u);
  EXPECT_EQ(assoc.doc.items.size(), 3u);
  EXPECT_EQ(assoc.doc.fields.front().usage, Usage::kTransaction);
  ASSERT_EQ(assoc.doc.rules.size(), 2u);
  EXPECT_EQ(assoc.doc.rules[1].body, (Pattern{{1, 2}}));
  EXPECT_EQ(assoc.doc.rules[1].head, (Pattern{{3}}));
  EXPECT_EQ(assoc.doc.rules[1].lift, 1.25);

  const ReadResult seq = ReadDocument(ReadFile(examples + "sequence-valid.xml"));
  ASSERT_FALSE(seq.error) << seq.error->description;
  EXPECT_FALSE(seq.doc.association);
  EXPECT_EQ(seq.doc.numberOfTransactions, 5u);
  ASSERT_EQ(seq.doc.rules.size(), 1u);
  EXPECT_EQ(seq.doc.rules[0].body, (Pattern{{1}, {2}}));
  EXPECT_EQ(seq.doc.rules[0].head, (Pattern{{3}}));
  EXPECT_EQ(seq.doc.rules[0].lift, 1.1111111111111112);

  // The invalid example lacks an antecedent: malformed for us as well.
  const ReadResult invalid = ReadDocument(ReadFile(examples + "association-invalid.xml"));
  ASSERT_TRUE(invalid.error);
  EXPECT_NE(invalid.error->description.find("has no antecedent"), std::string::npos);
}

}  // namespace
}  // namespace linkan::pmml
