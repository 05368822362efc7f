#include "os/headless/page_dom.h"

#include <gumbo.h>

#include <algorithm>
#include <cctype>
#include <functional>

#include "os/unicode.h"
#include "os/url_encoding.h"

namespace pavane::os::headless {
namespace {

std::string TagName(const GumboElement& element) {
  if (element.tag != GUMBO_TAG_UNKNOWN) return gumbo_normalized_tagname(element.tag);
  GumboStringPiece piece = element.original_tag;
  gumbo_tag_from_original_text(&piece);
  return LowerCaseUtf8(std::string_view(piece.data, piece.length));
}

void AppendText(const GumboNode& node, std::string& text) {
  if (node.type == GUMBO_NODE_TEXT || node.type == GUMBO_NODE_WHITESPACE ||
      node.type == GUMBO_NODE_CDATA) {
    text += node.v.text.text;
    return;
  }
  if (node.type != GUMBO_NODE_ELEMENT && node.type != GUMBO_NODE_TEMPLATE) return;
  const GumboVector& children = node.v.element.children;
  for (unsigned i = 0; i < children.length; ++i) {
    AppendText(*static_cast<const GumboNode*>(children.data[i]), text);
  }
}

// Option labels count without their surrounding and repeated blanks, as a
// browser reports an option's value when the markup gives none.
std::string CollapseBlanks(std::string_view text) {
  std::string collapsed;
  bool blank = false;
  for (const char c : text) {
    if (std::isspace(static_cast<unsigned char>(c))) {
      blank = !collapsed.empty();
      continue;
    }
    if (blank) collapsed += ' ';
    blank = false;
    collapsed += c;
  }
  return collapsed;
}

std::unique_ptr<PageElement> Convert(const GumboNode& node, PageElement* parent) {
  const GumboElement& source = node.v.element;
  auto element = std::make_unique<PageElement>();
  element->parent = parent;
  element->tag = TagName(source);
  for (unsigned i = 0; i < source.attributes.length; ++i) {
    const auto* attribute = static_cast<const GumboAttribute*>(source.attributes.data[i]);
    element->attributes.emplace_back(LowerCaseUtf8(attribute->name), attribute->value);
  }
  if (element->tag == "option" || element->tag == "textarea") AppendText(node, element->text);
  if (element->tag == "script" || element->tag == "style") return element;
  for (unsigned i = 0; i < source.children.length; ++i) {
    const auto* child = static_cast<const GumboNode*>(source.children.data[i]);
    if (child->type == GUMBO_NODE_ELEMENT || child->type == GUMBO_NODE_TEMPLATE) {
      element->children.push_back(Convert(*child, element.get()));
    }
  }
  return element;
}

void Walk(PageElement& element, const std::function<void(PageElement&)>& visit) {
  visit(element);
  for (auto& child : element.children) Walk(*child, visit);
}

// The field state a freshly loaded page starts with, from its markup.
void InitialiseFields(PageElement& root) {
  Walk(root, [](PageElement& element) {
    if (element.tag == "input") {
      const std::string* value = element.Attribute("value");
      element.value = value ? *value : (element.IsCheckable() ? "on" : "");
      element.checked = element.Attribute("checked") != nullptr;
    } else if (element.tag == "textarea") {
      element.value = element.text;
    } else if (element.tag == "select") {
      const auto options = element.Options();
      element.selectedIndex = options.empty() ? -1 : 0;
      // The last option marked selected wins, as in a single-choice list.
      for (std::size_t i = 0; i < options.size(); ++i) {
        if (options[i]->Attribute("selected")) element.selectedIndex = static_cast<int>(i);
      }
    }
  });
}

PageElement* FindFirst(PageElement& root, const std::function<bool(const PageElement&)>& match) {
  if (match(root)) return &root;
  for (auto& child : root.children) {
    if (PageElement* found = FindFirst(*child, match)) return found;
  }
  return nullptr;
}

}  // namespace

const std::string* PageElement::Attribute(std::string_view name) const {
  for (const auto& [key, value] : attributes) {
    if (key == name) return &value;
  }
  return nullptr;
}

void PageElement::SetMarkupAttribute(std::string_view name, std::string_view value) {
  for (auto& [key, old] : attributes) {
    if (key == name) {
      old = value;
      return;
    }
  }
  attributes.emplace_back(name, value);
}

std::string PageElement::InputType() const {
  const std::string* type = Attribute("type");
  return type && !type->empty() ? LowerCaseUtf8(*type) : "text";
}

bool PageElement::IsCheckable() const {
  if (tag != "input") return false;
  const std::string type = InputType();
  return type == "checkbox" || type == "radio";
}

std::vector<PageElement*> PageElement::Options() const {
  std::vector<PageElement*> options;
  std::function<void(const PageElement&)> collect = [&](const PageElement& element) {
    for (const auto& child : element.children) {
      if (child->tag == "option")
        options.push_back(child.get());
      else if (child->tag == "optgroup")
        collect(*child);
    }
  };
  collect(*this);
  return options;
}

std::string PageElement::OptionValue() const {
  const std::string* value = Attribute("value");
  return value ? *value : CollapseBlanks(text);
}

std::unique_ptr<PageDom> PageDom::Parse(std::string_view html) {
  GumboOutput* output = gumbo_parse_with_options(&kGumboDefaultOptions, html.data(), html.size());
  auto dom = std::make_unique<PageDom>();
  dom->root_ = Convert(*output->root, nullptr);
  gumbo_destroy_output(&kGumboDefaultOptions, output);
  InitialiseFields(*dom->root_);
  return dom;
}

PageElement* PageDom::Body() const {
  for (auto& child : root_->children) {
    if (child->tag == "body") return child.get();
  }
  return nullptr;
}

PageElement* PageDom::ById(std::string_view id) const {
  return FindFirst(*root_, [id](const PageElement& element) {
    const std::string* value = element.Attribute("id");
    return value && *value == id;
  });
}

std::vector<PageElement*> PageDom::ByName(std::string_view name) const {
  std::vector<PageElement*> found;
  Walk(*root_, [&](PageElement& element) {
    const std::string* value = element.Attribute("name");
    if (value && *value == name) found.push_back(&element);
  });
  return found;
}

std::vector<PageElement*> PageDom::Links() const {
  std::vector<PageElement*> found;
  Walk(*root_, [&](PageElement& element) {
    if (element.tag == "a" && element.Attribute("href")) found.push_back(&element);
  });
  return found;
}

PageElement* PageDom::Find(const ElementRef& ref) const {
  if (!ref.id.empty()) return ById(ref.id);
  if (ref.index < 0) return nullptr;
  const auto named = ByName(ref.name);
  return static_cast<std::size_t>(ref.index) < named.size() ? named[ref.index] : nullptr;
}

std::string PageDom::LiveValue(const PageElement& element) {
  if (element.tag == "input" || element.tag == "textarea") return element.value;
  if (element.tag == "select") {
    const auto options = element.Options();
    if (element.selectedIndex >= 0 &&
        static_cast<std::size_t>(element.selectedIndex) < options.size()) {
      return options[element.selectedIndex]->OptionValue();
    }
    return "";
  }
  if (element.tag == "option") return element.OptionValue();
  const std::string* value = element.Attribute("value");
  return value ? *value : "";
}

void PageDom::SetLiveValue(PageElement& element, std::string_view value) {
  if (element.tag == "select") {
    const auto options = element.Options();
    element.selectedIndex = -1;
    for (std::size_t i = 0; i < options.size(); ++i) {
      if (options[i]->OptionValue() == value) {
        element.selectedIndex = static_cast<int>(i);
        break;
      }
    }
  } else if (element.tag == "input" || element.tag == "textarea") {
    element.value = value;
  } else {
    element.SetMarkupAttribute("value", value);
  }
}

void PageDom::SetChecked(PageElement& element, bool checked) {
  if (checked && element.tag == "input" && element.InputType() == "radio") {
    if (const std::string* name = element.Attribute("name")) {
      for (PageElement* other : ByName(*name)) {
        if (other->tag == "input" && other->InputType() == "radio") other->checked = false;
      }
    }
  }
  element.checked = checked;
}

namespace {

// Length of the scheme and its ":" when `url` starts with one, else 0.
std::size_t SchemeLength(std::string_view url) {
  if (url.empty() || !std::isalpha(static_cast<unsigned char>(url[0]))) return 0;
  for (std::size_t i = 1; i < url.size(); ++i) {
    const char c = url[i];
    if (c == ':') return i + 1;
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '+' && c != '-' && c != '.') return 0;
  }
  return 0;
}

// "a/b/../c/./d" becomes "a/c/d"; the leading "/" is kept.
std::string RemoveDotSegments(std::string_view path) {
  std::vector<std::string_view> kept;
  std::size_t start = 0;
  while (start <= path.size()) {
    const std::size_t end = std::min(path.find('/', start), path.size());
    const std::string_view segment = path.substr(start, end - start);
    const bool last = end == path.size();
    if (segment == "..") {
      if (kept.size() > 1) kept.pop_back();
      if (last) kept.emplace_back();
    } else if (segment == ".") {
      if (last) kept.emplace_back();
    } else {
      kept.push_back(segment);
    }
    start = end + 1;
  }
  std::string joined;
  for (std::size_t i = 0; i < kept.size(); ++i) {
    if (i > 0) joined += '/';
    joined += kept[i];
  }
  return joined;
}

}  // namespace

std::optional<std::string> FileUrlPath(std::string_view url) {
  if (LowerCaseUtf8(url.substr(0, 5)) != "file:") return std::nullopt;
  std::string_view rest = url.substr(5);
  rest = rest.substr(0, std::min(rest.find('?'), rest.find('#')));
  if (rest.starts_with("//")) {
    rest.remove_prefix(2);
    const std::size_t slash = rest.find('/');
    if (slash == std::string_view::npos) return std::nullopt;
    const std::string host = LowerCaseUtf8(rest.substr(0, slash));
    if (!host.empty() && host != "localhost") return std::nullopt;
    rest.remove_prefix(slash);
  }
  if (!rest.starts_with('/')) return std::nullopt;
  return DecodeQueryComponent(rest);
}

std::string ResolveHref(std::string_view base, std::string_view href) {
  if (SchemeLength(href) > 0) return std::string(href);
  const std::size_t scheme = SchemeLength(base);
  const std::string_view withoutFragment = base.substr(0, base.find('#'));
  if (href.empty()) return std::string(withoutFragment);
  if (href.starts_with('#')) return std::string(withoutFragment) + std::string(href);
  // The part of `base` before its path: "file://", "https://host".
  std::size_t pathStart = scheme;
  if (base.substr(scheme).starts_with("//")) {
    pathStart = base.find('/', scheme + 2);
    if (pathStart == std::string_view::npos) pathStart = base.size();
  }
  const std::string_view origin = base.substr(0, pathStart);
  std::string_view path = base.substr(pathStart);
  path = path.substr(0, std::min(path.find('?'), path.find('#')));
  if (href.starts_with("//")) return std::string(base.substr(0, scheme)) + std::string(href);
  if (href.starts_with('?')) return std::string(origin) + std::string(path) + std::string(href);
  const std::size_t queryStart = std::min(href.find('?'), href.find('#'));
  const std::string_view hrefPath = href.substr(0, queryStart);
  const std::string_view hrefTail =
      queryStart == std::string_view::npos ? "" : href.substr(queryStart);
  std::string joined;
  if (hrefPath.starts_with('/')) {
    joined = hrefPath;
  } else {
    const std::size_t slash = path.rfind('/');
    joined = std::string(slash == std::string_view::npos ? "/" : path.substr(0, slash + 1));
    joined += hrefPath;
  }
  return std::string(origin) + RemoveDotSegments(joined) + std::string(hrefTail);
}

}  // namespace pavane::os::headless
