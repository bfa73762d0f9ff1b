// picture_test.cpp
//
// The pictures of graph documents and rule charts: the display list as
// JSON, pinned; the SVG is well-formed XML and the PNG decodes at the size
// stated; discs land where their coordinates say, in their colour; the
// same document gives the same bytes whatever was drawn before; a picture
// in the output folder is three files or none, and shows inline in the
// index with ids of its own.
#include <cairo.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <limits>
#include <pugixml.hpp>
#include <set>

#include "app_test_util.h"
#include "colour_ramp.h"
#include "graph_json.h"
#include "graph_render.h"
#include "html_index.h"
#include "output_folder.h"

namespace linkan::app {
namespace {

namespace fs = std::filesystem;
using testing::ReadFile;
using testing::TempDir;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Every operation once.
GraphDocument SmallGraph() {
  GraphDocument g;
  g.documentName = "web-graph";
  g.Create();
  g.SetTitle("Web graph");
  g.AddSubtitle("Node size: \"relative\" support");
  g.AddPlot("Plot 1");
  g.SetAxisRange(GraphAxis::kY, -1.3, 1.3, 2.6);
  g.SetAxisRange(GraphAxis::kX, -1.2, 1.2, 2.4);
  g.SetAxisTitle(GraphAxis::kY2, "Rechts");
  g.AddAxisLabel(GraphAxis::kZ, 0.1 + 0.2, "Käse");
  g.AddColourScale(0.85, 0.98, 1.0, 1.0, "0.000", "2.500");
  g.AddText(1, 0.1, "beer", 8);
  g.AddCircle(6.123233995736766e-17, -1, 1e-05, 58981);
  g.AddLine(1, 0, -1, 0, 0, 7);
  g.AddLine(1, 0, 0, 1, 65535, kNaN);
  g.PlainAxes();
  g.Show();
  return g;
}

TEST(GraphJsonTest, OneObjectPerOperationInCallOrder) {
  EXPECT_EQ(GraphJson(SmallGraph()),
            "{\"operations\": [\n"
            "  {\"op\": \"create\"},\n"
            "  {\"op\": \"set-title\", \"text\": \"Web graph\"},\n"
            "  {\"op\": \"add-subtitle\", \"text\": \"Node size: \\\"relative\\\" support\"},\n"
            "  {\"op\": \"add-plot\", \"name\": \"Plot 1\"},\n"
            "  {\"op\": \"set-axis-range\", \"axis\": \"y\", \"min\": -1.3, \"max\": 1.3, \"step\": 2.6},\n"
            "  {\"op\": \"set-axis-range\", \"axis\": \"x\", \"min\": -1.2, \"max\": 1.2, \"step\": 2.4},\n"
            "  {\"op\": \"set-axis-title\", \"axis\": \"y2\", \"text\": \"Rechts\"},\n"
            "  {\"op\": \"add-axis-label\", \"axis\": \"z\", \"position\": 0.30000000000000004, "
            "\"text\": \"Käse\"},\n"
            "  {\"op\": \"add-colour-scale\", \"x1\": 0.85, \"y1\": 0.98, \"x2\": 1, \"y2\": 1, "
            "\"low\": \"0.000\", \"high\": \"2.500\"},\n"
            "  {\"op\": \"add-text\", \"x\": 1, \"y\": 0.1, \"text\": \"beer\", \"placement\": 8},\n"
            "  {\"op\": \"add-circle\", \"x\": 6.123233995736766e-17, \"y\": -1, \"r\": 1e-05, "
            "\"colour\": 58981},\n"
            "  {\"op\": \"add-line\", \"x1\": 1, \"y1\": 0, \"x2\": -1, \"y2\": 0, \"colour\": 0, "
            "\"width\": 7},\n"
            "  {\"op\": \"add-line\", \"x1\": 1, \"y1\": 0, \"x2\": 0, \"y2\": 1, \"colour\": 65535, "
            "\"width\": null},\n"
            "  {\"op\": \"plain-axes\"},\n"
            "  {\"op\": \"show\"}\n"
            "]}\n");
}

DiscreteContourChart SmallChart() {
  DiscreteContourChart c;
  c.documentName = "support-chart";
  c.title = {"Support bar chart", "Min: support = 5.0%, confidence = 50.0%\nMax. size = 3"};
  c.axisTitles = {"Body", "Head", "Support(%)"};
  c.size = 2;
  c.values = {100.0f / 3.0f, NAN, NAN, 12.5f};
  c.rowLabels = {"milk", "bread, b"};
  c.columnLabels = {"beer", "dia\"pers"};
  return c;
}

TEST(GraphJsonTest, ChartIsOneDiscreteContourOperation) {
  EXPECT_EQ(ChartJson(SmallChart()),
            "{\"operations\": [\n"
            "  {\"op\": \"discrete-contour\", \"type\": 20,\n"
            "   \"title\": [\"Support bar chart\", \"Min: support = 5.0%, confidence = "
            "50.0%\\nMax. size = 3\"],\n"
            "   \"axis-titles\": [\"Body\", \"Head\", \"Support(%)\"],\n"
            "   \"values\": [\n"
            "    [33.333332, null],\n"
            "    [null, 12.5]],\n"
            "   \"row-labels\": [\"milk\", \"bread, b\"],\n"
            "   \"column-labels\": [\"beer\", \"dia\\\"pers\"]}\n"
            "]}\n");
  EXPECT_EQ(ChartTitleLines(SmallChart()),
            (std::vector<std::string>{"Support bar chart",
                                      "Min: support = 5.0%, confidence = 50.0%", "Max. size = 3"}));
}

// ---- Decoding the files -------------------------------------------------------

struct Image {
  int width = 0, height = 0;
  std::vector<std::uint32_t> pixels;  // 0x00RRGGBB
  std::uint32_t At(int x, int y) const {
    return pixels[static_cast<std::size_t>(y) * width + x] & 0xffffff;
  }
};

cairo_status_t ReadFromString(void* closure, unsigned char* data, unsigned int length) {
  auto* in = static_cast<std::pair<const std::string*, std::size_t>*>(closure);
  if (in->second + length > in->first->size()) return CAIRO_STATUS_READ_ERROR;
  std::memcpy(data, in->first->data() + in->second, length);
  in->second += length;
  return CAIRO_STATUS_SUCCESS;
}

Image DecodePng(const std::string& png) {
  std::pair<const std::string*, std::size_t> in{&png, 0};
  cairo_surface_t* s = cairo_image_surface_create_from_png_stream(&ReadFromString, &in);
  Image image;
  if (cairo_surface_status(s) == CAIRO_STATUS_SUCCESS) {
    image.width = cairo_image_surface_get_width(s);
    image.height = cairo_image_surface_get_height(s);
    const int stride = cairo_image_surface_get_stride(s);
    const unsigned char* data = cairo_image_surface_get_data(s);
    for (int y = 0; y < image.height; ++y) {
      const auto* row = reinterpret_cast<const std::uint32_t*>(data + static_cast<std::size_t>(y) * stride);
      image.pixels.insert(image.pixels.end(), row, row + image.width);
    }
  }
  cairo_surface_destroy(s);
  return image;
}

std::uint32_t Packed(const Rgb& c) {
  auto byte = [](double v) { return static_cast<std::uint32_t>(std::lround(v * 255)); };
  return byte(c.r) << 16 | byte(c.g) << 8 | byte(c.b);
}

// The SVG is XML with an <svg> root of the picture's size and no id twice.
void ExpectWellFormedSvg(const Picture& p) {
  pugi::xml_document doc;
  const pugi::xml_parse_result parsed = doc.load_buffer(p.svg.data(), p.svg.size());
  ASSERT_TRUE(parsed) << parsed.description();
  const pugi::xml_node svg = doc.child("svg");
  ASSERT_TRUE(svg);
  EXPECT_EQ(svg.attribute("width").as_string(), std::to_string(p.width) + "px");
  EXPECT_EQ(svg.attribute("height").as_string(), std::to_string(p.height) + "px");
  std::set<std::string> ids;
  for (const pugi::xpath_node& n : doc.select_nodes("//*[@id]")) {
    EXPECT_TRUE(ids.insert(n.node().attribute("id").as_string()).second);
  }
}

TEST(GraphRenderTest, SvgIsXmlAndPngHasTheStatedSize) {
  DiscreteContourChart many = SmallChart();
  many.size = 100;  // 100 rules: long label rows, rotated labels
  many.values.assign(100 * 100, NAN);
  many.rowLabels.clear();
  many.columnLabels.clear();
  for (int k = 0; k < 100; ++k) {
    many.values[static_cast<std::size_t>(k) * 101] = static_cast<float>(k);
    many.rowLabels.push_back("body " + std::to_string(k));
    many.columnLabels.push_back("héad " + std::to_string(k));
  }
  for (const Picture& p : {RenderGraph(SmallGraph()), RenderChart(SmallChart()), RenderChart(many)}) {
    ExpectWellFormedSvg(p);
    const Image image = DecodePng(p.png);
    EXPECT_EQ(image.width, p.width);
    EXPECT_EQ(image.height, p.height);
    EXPECT_GE(p.width, 800);  // readable, not a thumbnail
  }
  // 100 labels a side need room: at least a line of text per cell.
  EXPECT_GE(RenderChart(many).height, 100 * 15);
}

// Whether two colours differ by at most 1 in each channel (cairo's own
// rounding to 8 bits).
bool SameColour(std::uint32_t a, std::uint32_t b) {
  for (int shift : {0, 8, 16}) {
    const int x = static_cast<int>((a >> shift) & 0xff), y = static_cast<int>((b >> shift) & 0xff);
    if (std::abs(x - y) > 1) return false;
  }
  return true;
}

// The centre of the pixels of one colour.
struct Spot {
  double x = 0, y = 0;
  long count = 0;
};
Spot Find(const Image& image, std::uint32_t colour) {
  Spot s;
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < image.width; ++x) {
      if (!SameColour(image.At(x, y), colour)) continue;
      s.x += x + 0.5;
      s.y += y + 0.5;
      ++s.count;
    }
  }
  if (s.count > 0) s.x /= s.count, s.y /= s.count;
  return s;
}

// Three discs on axes of equal length: their centres keep the coordinates'
// proportions (X to the right, Y upwards, one unit as long on both axes),
// their areas the radii in X units, and each is filled with its colour.
TEST(GraphRenderTest, DiscsLandWhereTheirCoordinatesSayInTheirColour) {
  GraphDocument g;
  g.Create();
  g.SetTitle("Discs");
  g.SetAxisRange(GraphAxis::kX, 0, 10, 1);
  g.SetAxisRange(GraphAxis::kY, 0, 10, 1);
  g.AddCircle(2, 2, 0.5, 0);       // darkest
  g.AddCircle(8, 2, 0.5, 65535);   // lightest
  g.AddCircle(2, 7, 1.0, 32768);   // twice the radius
  g.PlainAxes();
  g.Show();
  const Picture p = RenderGraph(g);
  const Image image = DecodePng(p.png);
  const Spot a = Find(image, Packed(GraphColour(0)));
  const Spot b = Find(image, Packed(GraphColour(65535)));
  const Spot c = Find(image, Packed(GraphColour(32768)));
  ASSERT_GT(a.count, 100);
  ASSERT_GT(b.count, 100);
  ASSERT_GT(c.count, 100);
  const double unit = (b.x - a.x) / 6;  // pixels per X unit
  EXPECT_GT(unit, 40);
  EXPECT_NEAR(b.y, a.y, 1);
  EXPECT_NEAR(c.x, a.x, 1);
  EXPECT_NEAR(a.y - c.y, 5 * unit, 2);  // 5 units higher
  // Filled areas: pi r^2 less the antialiased rim.
  EXPECT_NEAR(a.count, M_PI * std::pow(0.5 * unit, 2), 0.15 * M_PI * std::pow(0.5 * unit, 2));
  EXPECT_NEAR(c.count, M_PI * std::pow(1.0 * unit, 2), 0.1 * M_PI * std::pow(1.0 * unit, 2));
  // The darker the colour, the higher the value: 0 is darker than 65535.
  EXPECT_LT(Luminance(GraphColour(0)), Luminance(GraphColour(32768)));
  EXPECT_LT(Luminance(GraphColour(32768)), Luminance(GraphColour(65535)));
}

TEST(GraphRenderTest, SameDocumentSameBytesWhateverCameBefore) {
  const Picture first = RenderGraph(SmallGraph());
  RenderChart(SmallChart());
  const Picture again = RenderGraph(SmallGraph());
  EXPECT_EQ(first.svg, again.svg);
  EXPECT_EQ(first.png, again.png);
}

// Two pictures in one page: each file set complete, and the inline SVGs
// share no id (cairo names the glyphs of both alike).
TEST(PictureOutputTest, ThreeFilesAndAnIndexWithoutSharedIds) {
  TempDir dir;
  {
    OutputFolder out(dir.path(), OutputMode::kRun);
    EXPECT_EQ(out.AddGraph(SmallGraph()), dir.File("web-graph.svg"));
    EXPECT_EQ(out.AddChart(SmallChart()), dir.File("support-chart.svg"));
    out.AddMessage("rule-graph", "There is no association between items");
    out.Commit(IndexHtml(IndexPage{.title = "t", .facts = {}, .summary = ""}, out.documents()), {"web-graph.png", "old.svg"});
  }
  for (const char* name : {"web-graph", "support-chart"}) {
    for (const char* extension : {".svg", ".png", ".json"}) {
      EXPECT_TRUE(fs::exists(dir.File(std::string(name) + extension))) << name << extension;
    }
  }
  EXPECT_EQ(ReadFile(dir.File("web-graph.json")), GraphJson(SmallGraph()));
  const std::string html = ReadFile(dir.File("index.html"));
  pugi::xml_document page;
  const std::size_t body = html.find("<body>");
  ASSERT_NE(body, std::string::npos);
  // The pictures themselves are XML; collect the ids over both.
  std::set<std::string> ids;
  std::size_t pictures = 0;
  for (std::size_t at = html.find("<svg ", body); at != std::string::npos;
       at = html.find("<svg ", at + 1)) {
    const std::size_t end = html.find("</svg>", at);
    ASSERT_NE(end, std::string::npos);
    pugi::xml_document svg;
    ASSERT_TRUE(svg.load_buffer(html.data() + at, end + 6 - at));
    ++pictures;
    for (const pugi::xpath_node& n : svg.select_nodes("//*[@id]")) {
      EXPECT_TRUE(ids.insert(n.node().attribute("id").as_string()).second)
          << n.node().attribute("id").as_string();
    }
    for (const pugi::xpath_node& n : svg.select_nodes("//*[@xlink:href]")) {
      const std::string ref = n.node().attribute("xlink:href").as_string();
      EXPECT_TRUE(ids.count(ref.substr(1))) << ref;  // refers into its own picture
    }
  }
  EXPECT_EQ(pictures, 2u);
  EXPECT_NE(html.find("<h2>Web graph</h2>\n<p class=\"t\">Node size: &quot;relative&quot; support</p>"),
            std::string::npos);
  EXPECT_NE(html.find("There is no association between items"), std::string::npos);
}

}  // namespace
}  // namespace linkan::app
