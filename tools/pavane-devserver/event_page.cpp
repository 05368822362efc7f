#include "event_page.h"

#include <glib.h>

#include <algorithm>
#include <array>
#include <map>
#include <memory>
#include <optional>
#include <string_view>
#include <utility>

namespace pavane::devserver {
namespace {

constexpr std::array<std::string_view, 3> kOutcomes = {"Displayed", "Accepted", "Declined"};
constexpr std::array<std::string_view, 3> kOutcomeAttributes = {"data-displayed", "data-accepted",
                                                                "data-declined"};

// Text for the page: invalid UTF-8 becomes U+FFFD, markup characters
// entities (quotes too, so that the text may stand in an attribute).
std::string Html(std::string_view text) {
  std::unique_ptr<char, decltype(&g_free)> valid(
      g_utf8_make_valid(text.data(), static_cast<gssize>(text.size())), &g_free);
  std::unique_ptr<char, decltype(&g_free)> escaped(g_markup_escape_text(valid.get(), -1), &g_free);
  return escaped.get();
}

std::optional<std::string> Value(const QueryPairs& query, std::string_view key) {
  for (const auto& [name, value] : query) {
    if (name == key) return value;
  }
  return std::nullopt;
}

// "Newsletter_Accepted" -> {"Newsletter", 1}; no outcome for other actions.
std::optional<std::pair<std::string, std::size_t>> ScreenAndOutcome(std::string_view action) {
  const std::size_t underscore = action.rfind('_');
  if (underscore == std::string_view::npos || underscore == 0) return std::nullopt;
  const std::string_view outcome = action.substr(underscore + 1);
  for (std::size_t i = 0; i < kOutcomes.size(); ++i) {
    if (outcome == kOutcomes[i]) return std::pair{std::string(action.substr(0, underscore)), i};
  }
  return std::nullopt;
}

struct Run {
  bool facts = false;  // false: the requests without installation facts
  std::string installDate;
  std::string aid;
  std::vector<const RecordedRequest*> requests;  // oldest first
};

void WriteSummary(const Run& run, std::string& page) {
  std::vector<std::pair<std::string, std::array<int, 3>>> screens;  // in order of appearance
  for (const RecordedRequest* request : run.requests) {
    const auto split = ScreenAndOutcome(Value(request->query, "action").value_or(""));
    if (!split) continue;
    auto found = std::find_if(screens.begin(), screens.end(),
                              [&](const auto& screen) { return screen.first == split->first; });
    if (found == screens.end()) found = screens.insert(screens.end(), {split->first, {0, 0, 0}});
    ++found->second[split->second];
  }
  if (screens.empty()) return;
  page += "<table class=\"summary\"><tr><th>Screen</th>";
  for (const auto outcome : kOutcomes) page += "<th>" + std::string(outcome) + "</th>";
  page += "</tr>\n";
  for (const auto& [screen, counts] : screens) {
    page += "<tr data-screen=\"" + Html(screen) + "\"";
    for (std::size_t i = 0; i < kOutcomes.size(); ++i) {
      page += " " + std::string(kOutcomeAttributes[i]) + "=\"" + std::to_string(counts[i]) + "\"";
    }
    page += "><td>" + Html(screen) + "</td>";
    for (const int count : counts) page += "<td>" + std::to_string(count) + "</td>";
    page += "</tr>\n";
  }
  page += "</table>\n";
}

// At most `budget` bytes of `text` (then "..."), cut between characters;
// `budget` goes down by what is taken.
std::string Clipped(std::string_view text, std::size_t& budget) {
  if (text.size() <= budget) {
    budget -= text.size();
    return std::string(text);
  }
  std::size_t end = budget;
  // Back to the start of the character the budget ends in.
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xc0) == 0x80) --end;
  budget = 0;
  return std::string(text.substr(0, end)) + "...";
}

void WriteRequest(const RecordedRequest& request, std::string& page) {
  const auto action = Value(request.query, "action");
  // A request that is no tracking event is named by its page.
  const std::string what = action ? *action : request.path.substr(request.path.rfind('/') + 1);
  std::size_t budget = kMaxRequestTextShown;
  page += "<tr class=\"event\" data-action=\"" + Html(action.value_or("")) + "\"><td>" +
          Html(request.time) + "</td><td>" + Html(Clipped(what, budget)) + "</td><td>" +
          Html(Clipped(Value(request.query, "application").value_or(""), budget)) + "</td><td>" +
          Html(request.method + " " + Clipped(request.path, budget)) + "</td><td class=\"facts\">";
  for (const auto& [key, value] : request.query) {
    if (key == "action" || key == "application") continue;
    if (budget == 0) {
      page += "...";
      break;
    }
    page += "<span class=\"fact\"><b>" + Html(Clipped(key, budget)) +
            "</b>=" + Html(Clipped(value, budget)) + "</span> ";
  }
  page += "</td></tr>\n";
}

void WriteRun(const Run& run, std::string& page) {
  page += "<section class=\"run\"";
  if (run.facts) {
    page += " data-installdate=\"" + Html(run.installDate) + "\" data-aid=\"" + Html(run.aid) +
            "\"><h2>Run: installdate <code>" + Html(run.installDate) + "</code>, aid <code>" +
            Html(run.aid) + "</code></h2>\n";
  } else {
    page += "><h2>Requests without installation facts</h2>\n";
  }
  page += "<p>" + std::to_string(run.requests.size()) +
          (run.requests.size() == 1 ? " request, " : " requests, ") +
          Html(run.requests.front()->time) + " to " + Html(run.requests.back()->time) + "</p>\n";
  WriteSummary(run, page);
  page +=
      "<table class=\"events\"><tr><th>Time</th><th>Action</th><th>Product</th>"
      "<th>Request</th><th>Installation facts</th></tr>\n";
  const std::size_t shown = std::min(run.requests.size(), kMaxRequestsShown);
  for (std::size_t i = 0; i < shown; ++i)
    WriteRequest(*run.requests[run.requests.size() - 1 - i], page);
  page += "</table>\n";
  if (shown < run.requests.size()) {
    page += "<p class=\"omitted\">" + std::to_string(run.requests.size() - shown) +
            " older requests of this group are not shown; the log has them all.</p>\n";
  }
  page += "</section>\n";
}

constexpr std::string_view kStyle =
    "body{font-family:sans-serif;margin:1em 2em}"
    "section.run{border-top:2px solid #888;margin-top:1.5em}"
    "table{border-collapse:collapse;margin:.5em 0}"
    "th,td{border:1px solid #ccc;padding:2px 6px;text-align:left;vertical-align:top}"
    "td.facts{font-size:small}span.fact{white-space:nowrap}";

}  // namespace

std::string EventPage(const std::vector<RecordedRequest>& requests,
                      std::chrono::system_clock::time_point now) {
  std::vector<Run> runs;
  std::map<std::pair<std::string, std::string>, std::size_t> runOfFacts;
  std::optional<std::size_t> runWithoutFacts;
  for (const RecordedRequest& request : requests) {
    const auto installDate = Value(request.query, "installdate");
    const auto aid = Value(request.query, "aid");
    std::size_t index = runs.size();
    if (installDate || aid) {
      const auto key = std::pair{installDate.value_or(""), aid.value_or("")};
      const auto [found, added] = runOfFacts.try_emplace(key, runs.size());
      if (added) runs.push_back(Run{true, key.first, key.second, {}});
      index = found->second;
    } else {
      if (!runWithoutFacts) {
        runWithoutFacts = runs.size();
        runs.push_back(Run{});
      }
      index = *runWithoutFacts;
    }
    runs[index].requests.push_back(&request);
  }
  // The run that heard from its client last comes first.
  std::stable_sort(runs.begin(), runs.end(), [](const Run& a, const Run& b) {
    return a.requests.back()->when > b.requests.back()->when;
  });

  const bool goesOn = !requests.empty() && now - requests.back().when < kRunGoesOnFor;
  std::string page =
      "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\">"
      "<meta http-equiv=\"refresh\" content=\"";
  page += goesOn ? "2" : "10";
  page += "\"><title>pavane-devserver: what the runs reported</title><style>";
  page += kStyle;
  page += "</style></head><body>\n<h1>What the runs reported</h1>\n<p class=\"status\">";
  page += std::to_string(requests.size()) +
          (requests.size() == 1 ? " request in " : " requests in ") + std::to_string(runs.size()) +
          (runs.size() == 1 ? " group" : " groups") + ", newest first. ";
  page += goesOn ? "A run goes on: this page reloads every 2 seconds."
                 : "No run has reported in the last minute: this page reloads every 10 seconds.";
  page += "</p>\n";
  const std::size_t shown = std::min(runs.size(), kMaxRunsShown);
  for (std::size_t i = 0; i < shown; ++i) WriteRun(runs[i], page);
  if (shown < runs.size()) {
    page += "<p class=\"omitted\">" + std::to_string(runs.size() - shown) +
            " older groups are not shown; the log has them all.</p>\n";
  }
  page += "</body></html>\n";
  return page;
}

}  // namespace pavane::devserver
