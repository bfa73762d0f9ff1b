// fake_module.cpp
//
// A stand-in analysis module for the host's end-to-end tests: a shared
// library exporting the same C entry points as the real module. Step 100
// reads every case through the host and reports the cases used and the sum
// of their weights; step 101 shows a report document and asks a question.
//
// RunTask refuses a task that still holds "Outputs" (the host must take
// it) and takes the items of "SelectedItems" (a, b, c without it). The
// result commands then show, over those items with made-up supports: the
// item list, rule and itemset tables (1189, 1022, 1023), a support chart
// (1024, the first 100 items), a cluster tree (1072), a web graph (1074)
// and a rule graph (1075), built as the real module builds them; any other
// command answers with a message. The summary reports one rule per item.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <nlohmann/json.hpp>
#include <sstream>

#include "linkanalysis/analysis_doc.h"
#include "linkanalysis/analysis_module.h"

namespace {

class FakeModule : public linkan::IAnalysisModule {
 public:
  void AttachDocument(linkan::CAnalysisDoc* doc) override { doc_ = doc; }
  void Initialize() override {}
  std::vector<linkan::SequenceStep> GetSequenceTable() const override {
    return {{100, 101}, {101, 0}};
  }
  int ExecuteStep(int id) override {
    if (id == 100) {
      long used = 0, skipped = 0;
      double sum = 0;
      std::vector<double> values;
      for (long c = 1;; ++c) {
        bool weighted = false;
        double weight = 0;
        const linkan::CaseReadResult r = doc_->ReadCase(c, values, weighted, weight);
        if (r == linkan::CaseReadResult::kStop) break;
        if (r == linkan::CaseReadResult::kSkip) {
          ++skipped;
          continue;
        }
        ++used;
        sum += weight;
      }
      std::ostringstream s;
      s << "fake: " << used << " cases used, " << skipped << " skipped, weight sum " << sum;
      doc_->ShowMessage(s.str());
      return 101;
    }
    if (id == 101) {
      doc_->ShowTextDocument(linkan::TextDocKind::kReport, "Fake report",
                             "first variable: " + doc_->GetVariableName(1) + "\n");
      const bool yes = doc_->AskYesNo("FAKE", "Continue?");
      doc_->ShowMessage(yes ? "fake: answered yes" : "fake: answered no");
      return 0;
    }
    return 0;
  }
  int GetAnalysisID() const override { return 1; }
  std::string GetAnalysisName() const override { return "Fake Analysis"; }
  int RunTask(const std::string& task, std::string& error) override {
    const nlohmann::json json = nlohmann::json::parse(task, nullptr, false);
    if (!json.is_object()) {
      error = "not supported";
      return 1;
    }
    if (json.contains("Outputs")) {
      error = "unknown task property \"Outputs\"";
      return 1;
    }
    items_ = {"a", "b", "c"};
    if (json.contains("SelectedItems") && json["SelectedItems"].is_string()) {
      items_.clear();
      std::stringstream names(json["SelectedItems"].get<std::string>());
      for (std::string name; std::getline(names, name, '|');) {
        name.erase(0, name.find_first_not_of(' '));
        name.erase(name.find_last_not_of(' ') + 1);
        items_.push_back(name);
      }
    }
    ran_ = true;
    return 0;
  }
  bool GetRunSummary(linkan::RunSummary& summary) const override {
    if (!ran_) return false;
    summary.transactions = 100;
    summary.items = summary.frequentItems = summary.rules = items_.size();
    summary.patterns = items_.size() * 2;
    return true;
  }
  // A stand-in model document, so that a run writes its model files.
  int SaveModel(const std::string& path, linkan::PmmlDialect, std::string& error) override {
    std::FILE* file = std::fopen(path.c_str(), "w");
    if (!file) {
      error = "cannot write " + path;
      return 1;
    }
    std::fputs("<PMML/>\n", file);
    std::fclose(file);
    return 0;
  }
  int RunResultCommand(int id, std::string& error) override {
    switch (id) {
      case 1189: ShowTable("items", "Item name"); return 0;
      case 1022: ShowTable("rules", "Rule"); return 0;
      case 1023: ShowTable("itemsets", "Frequent itemsets"); return 0;
      case 1024: ShowChart(); return 0;
      case 1072: ShowClusterTree(); return 0;
      case 1074: ShowWebGraph(); return 0;
      case 1075: ShowRuleGraph(); return 0;
      default: error = "There is no association between items"; return 2;
    }
  }

 private:
  int N() const { return static_cast<int>(items_.size()); }
  // Made-up supports (0.05 to 0.6) and joint supports (0 for a third of
  // the pairs).
  static double Support(int i) { return 0.05 + 0.55 * ((i * 37) % 101) / 100.0; }
  static double Joint(int i, int j) {
    if ((i + j) % 3 == 0) return 0;
    return Support(i) * Support(j) * (0.4 + ((i * 7 + j * 13) % 10) / 5.0);
  }
  static std::string Fixed3(double x) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.3f", x);
    return buf;
  }

  void ShowTable(const char* name, const char* column) {
    linkan::ResultsTable t;
    t.documentName = name;
    t.titles = {std::string("Fake ") + name, "", ""};
    t.rows = N();
    t.cols = 2;
    t.columnNames = {column, "Support(%)"};
    t.texts.assign(static_cast<std::size_t>(t.rows) * 2, "");
    t.hasText.assign(static_cast<std::size_t>(t.rows) * 2, 0);
    t.numbers.assign(static_cast<std::size_t>(t.rows) * 2, NAN);
    t.textColumn = {1, 0};
    for (int r = 0; r < t.rows; ++r) {
      t.rowNames.push_back(std::to_string(r + 1));
      t.texts[t.Index(r, 0)] = items_[static_cast<std::size_t>(r)];
      t.hasText[t.Index(r, 0)] = 1;
      t.numbers[t.Index(r, 1)] = Support(r) * 100;
    }
    doc_->ShowSpreadsheet(t);
  }

  void ShowChart() {
    linkan::DiscreteContourChart chart;
    chart.documentName = "support-chart";
    chart.title = {"Support bar chart", "Min: support = 5.0%, confidence = 50.0%",
                   "Max. size of an itemset = 3"};
    chart.axisTitles = {"Body", "Head", "Support(%)"};
    chart.size = std::min(N(), 100);
    chart.values.assign(static_cast<std::size_t>(chart.size) * chart.size, NAN);
    for (int k = 0; k < chart.size; ++k) {
      chart.values[static_cast<std::size_t>(k) * chart.size + k] = static_cast<float>(Support(k) * 100);
      chart.rowLabels.push_back(items_[static_cast<std::size_t>(k)].substr(0, 8));
      chart.columnLabels.push_back(items_[static_cast<std::size_t>((k + 1) % N())].substr(0, 8));
    }
    doc_->ShowDiscreteContourGraph(chart);
  }

  void ShowWebGraph() {
    const int n = N();
    double sMin = 1e300, sMax = -1e300, jMin = 1e300, jMax = -1e300, lMin = 1e300, lMax = -1e300;
    for (int i = 0; i < n; ++i) {
      sMin = std::min(sMin, Support(i));
      sMax = std::max(sMax, Support(i));
      for (int j = i + 1; j < n; ++j) {
        const double joint = Joint(i, j), lift = joint / (Support(i) * Support(j));
        jMin = std::min(jMin, joint);
        jMax = std::max(jMax, joint);
        lMin = std::min(lMin, lift);
        lMax = std::max(lMax, lift);
      }
    }
    const double sRange = sMax - sMin > 0 ? sMax - sMin : 1;
    const double jRange = jMax - jMin > 0 ? jMax - jMin : 1;
    const double lRange = lMax - lMin > 0 ? lMax - lMin : 1;
    linkan::GraphDocument g;
    g.documentName = "web-graph";
    g.Create();
    g.SetTitle("Web graph");
    g.AddSubtitle("Node size: Relative support of each item");
    g.AddSubtitle("Line thickness: Relative joint support of two items");
    g.AddSubtitle("Color darkness of line: Relative lift of two items");
    g.AddPlot("Plot 1");
    g.SetAxisRange(linkan::GraphAxis::kY, -1.3, 1.3, 2.6);
    g.SetAxisRange(linkan::GraphAxis::kX, -1.2, 1.2, 2.4);
    g.AddColourScale(0.85, 0.98, 1.0, 1.0, Fixed3(lMin), Fixed3(lMax));
    for (int i = 0; i < n; ++i) {
      const double a = 2 * 3.1415926535 * i / n;
      const double x = std::cos(a), y = std::sin(a);
      const double r = ((Support(i) - sMin) / sRange + 0.1) / n;
      if (i * 360.0 / n < 180) {
        g.AddText(x, y + r, items_[static_cast<std::size_t>(i)], 8);
      } else {
        g.AddText(x, y - r, items_[static_cast<std::size_t>(i)], 5);
      }
      g.AddCircle(x, y, r, 58981);
      for (int j = i + 1; j < n; ++j) {
        const double joint = Joint(i, j);
        if (joint <= 0) continue;
        const double b = 2 * 3.1415926535 * j / n;
        const double lift = joint / (Support(i) * Support(j));
        g.AddLine(x, y, std::cos(b), std::sin(b),
                  static_cast<int>(65535 - (lift - lMin) / lRange * 65535),
                  static_cast<int>((joint - jMin) * 7 / jRange));
      }
    }
    g.PlainAxes();
    g.Show();
    doc_->ShowGraph(g);
  }

  void ShowRuleGraph() {
    const int n = N();
    const double d = 1.0 / (n + 1);
    double cMin = 1e300, cMax = -1e300, jMin = 1e300, jMax = -1e300;
    for (int i = 0; i < n; ++i) {
      for (int j = 0; j < n; ++j) {
        if (i == j || Joint(i, j) <= 0) continue;
        cMin = std::min(cMin, Joint(i, j) / Support(i));
        cMax = std::max(cMax, Joint(i, j) / Support(i));
        jMin = std::min(jMin, Joint(i, j));
        jMax = std::max(jMax, Joint(i, j));
      }
    }
    if (cMin > cMax) cMin = cMax = jMin = jMax = 0;
    const double cRange = cMax - cMin > 0 ? cMax - cMin : 1;
    const double jRange = jMax - jMin > 0 ? jMax - jMin : 1;
    linkan::GraphDocument g;
    g.documentName = "rule-graph";
    g.Create();
    g.SetTitle("Rule graph");
    g.AddSubtitle("Node size: Relative support of each item");
    g.AddSubtitle("Color darkness: Relative confidence");
    g.AddPlot("Plot 1");
    g.SetAxisRange(linkan::GraphAxis::kX, 0, 1, d);
    g.SetAxisRange(linkan::GraphAxis::kY, 0, 1, d);
    g.PlainAxes();
    g.SetAxisTitle(linkan::GraphAxis::kX, "Head");
    g.SetAxisTitle(linkan::GraphAxis::kY, "Body");
    g.AddColourScale(0.85, 0.98, 1.0, 1.0, Fixed3(cMin), Fixed3(cMax));
    for (int i = 1; i <= n; ++i) {
      g.AddAxisLabel(linkan::GraphAxis::kX, i * d, items_[static_cast<std::size_t>(i - 1)]);
      g.AddAxisLabel(linkan::GraphAxis::kY, i * d, items_[static_cast<std::size_t>(i - 1)]);
      for (int j = 1; j <= n; ++j) {
        const double joint = i == j ? 0 : Joint(i - 1, j - 1);
        if (joint <= 0) continue;
        const double conf = joint / Support(i - 1);
        g.AddCircle(j * d, i * d, ((joint - jMin) / jRange + 0.05) * d * 0.5,
                    static_cast<int>(65535 - (conf - cMin) / cRange * 65535));
      }
    }
    g.Show();
    doc_->ShowGraph(g);
  }

  // Clusters of 2, 1, 4, 3, 2, 1, 4, 3, ... items in item order.
  void ShowClusterTree() {
    const int n = N();
    std::vector<int> cluster(static_cast<std::size_t>(n));
    for (int k = 0, c = 0, left = 2; k < n; ++k) {
      cluster[static_cast<std::size_t>(k)] = c;
      if (--left == 0) left = (++c % 4) + 1;
    }
    linkan::GraphDocument g;
    g.documentName = "cluster-tree";
    g.Create();
    g.SetTitle("Cluster of items");
    g.AddPlot("Plot 1");
    std::vector<std::pair<double, double>> tops;
    int run = 0, height = 0;
    auto top = [](int k, int leaves) {
      return leaves == 1 ? std::make_pair(static_cast<double>(k), 0.0)
                         : std::make_pair(k - 0.5, static_cast<double>(leaves - 1));
    };
    for (int k = 0; k < n; ++k) {
      g.AddAxisLabel(linkan::GraphAxis::kX, k + 1, items_[static_cast<std::size_t>(k)]);
      if (k > 0 && cluster[static_cast<std::size_t>(k)] == cluster[static_cast<std::size_t>(k - 1)]) {
        const int c = ++run;
        height = std::max(height, c);
        if (c == 1) {
          g.AddLine(k, 1, k, 0, 0, 1);
          g.AddLine(k, 1, k + 1, 1, 0, 1);
          g.AddLine(k + 1, 1, k + 1, 0, 0, 1);
        } else {
          g.AddLine(k - 0.5, c, k - 0.5, c - 1, 0, 1);
          g.AddLine(k - 0.5, c, k + 1, c, 0, 1);
          g.AddLine(k + 1, c, k + 1, 0, 0, 1);
        }
      } else if (k > 0) {
        tops.push_back(top(k, run + 1));
        run = 0;
      }
    }
    if (n > 0) tops.push_back(top(n, run + 1));
    if (tops.size() > 1) {
      for (const auto& [x, y] : tops) g.AddLine(x, y, x, height, 0, 1);
      g.AddLine(tops.front().first, height, tops.back().first, height, 0, 1);
    }
    g.SetAxisRange(linkan::GraphAxis::kX, 0.5, n + 0.5, 1);
    g.SetAxisTitle(linkan::GraphAxis::kX, "Items");
    g.SetAxisRange(linkan::GraphAxis::kY, 0, std::max(height, 1), 1);
    g.SetAxisTitle(linkan::GraphAxis::kY, "Step");
    g.Show();
    doc_->ShowGraph(g);
  }

  linkan::CAnalysisDoc* doc_ = nullptr;
  std::vector<std::string> items_;
  bool ran_ = false;
};

}  // namespace

extern "C" __attribute__((visibility("default"))) linkan::IAnalysisModule* Tov6NewAnalysis() {
  return std::make_unique<FakeModule>().release();
}
