#include "platform/widgetkit/WidgetRenderer.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <stdexcept>

#include "platform/foundation/DateFormatter.h"
#include "platform/render/RenderText.h"

namespace platform {
namespace {

using render::escapeHtml;
using render::quoted;

std::string number(double v) { return render::formatNumber(v); }

// Seconds since 1970 with their milliseconds, for the page's script.
std::string epoch(double v) {
    if (!std::isfinite(v)) return "0";
    char buf[48];
    std::snprintf(buf, sizeof buf, "%.3f", v);
    return buf;
}

std::string isoOrInvalid(double date) {
    try {
        return DateFormatter::formatISO8601(date);
    } catch (const std::domain_error&) {
        return "invalid-date";
    }
}

std::string frameAlignmentName(const FrameAlignment& a) {
    const std::string h = a.horizontal == HorizontalAlignment::leading    ? "Leading"
                          : a.horizontal == HorizontalAlignment::trailing ? "Trailing"
                                                                          : "";
    const std::string v = a.vertical == VerticalAlignment::top      ? "top"
                          : a.vertical == VerticalAlignment::bottom ? "bottom"
                                                                    : "";
    if (v.empty() && h.empty()) return "center";
    if (v.empty()) return h == "Leading" ? "leading" : "trailing";
    return v + h;
}

void dumpNode(const WidgetNode& n, int depth, double ref, std::string& out) {
    using K = WidgetNode::Kind;
    std::string line(static_cast<std::size_t>(depth) * 2, ' ');
    switch (n.kind) {
        case K::group: line += "Group"; break;
        case K::vstack:
            line += "VStack(alignment: " + rawValue(n.horizontalAlignment);
            if (n.spacing) line += ", spacing: " + number(*n.spacing);
            line += ")";
            break;
        case K::hstack:
            line += "HStack(alignment: " + rawValue(n.verticalAlignment);
            if (n.spacing) line += ", spacing: " + number(*n.spacing);
            line += ")";
            break;
        case K::zstack: line += "ZStack"; break;
        case K::spacer:
            line += "Spacer";
            if (n.minLength) line += "(minLength: " + number(*n.minLength) + ")";
            break;
        case K::text:
            if (n.localizationKey) {
                line += "Text(localized: " + quoted(*n.localizationKey) + ")";
                if (*n.localizationKey != n.text) line += " " + quoted(n.text);
            } else {
                line += "Text(" + quoted(n.text) + ")";
            }
            break;
        case K::relativeDate:
            line += "Text(" + isoOrInvalid(n.date) + ", style: relative) " +
                    quoted(WidgetRenderer::relativeTimeText(n.date, ref));
            break;
        case K::circle:
            line += "Circle.strokeBorder(" + rawValue(n.strokeColor.value_or(ColorToken::primary)) +
                    ", lineWidth: " + number(n.strokeWidth) + ")";
            break;
    }
    if (n.textStyle) line += " font=" + rawValue(*n.textStyle);
    if (n.weight) line += " weight=" + rawValue(*n.weight);
    if (n.foreground) line += " foreground=" + rawValue(*n.foreground);
    if (n.maxLines) line += " lineLimit=" + std::to_string(*n.maxLines);
    if (n.identity) line += " id=" + quoted(*n.identity);
    if (n.frame) {
        line += " frame(";
        if (n.frame->maxWidthInfinity) line += "maxWidth: infinity, ";
        if (n.frame->maxHeightInfinity) line += "maxHeight: infinity, ";
        line += "alignment: " + frameAlignmentName(n.frame->alignment) + ")";
    }
    if (n.padded) line += " padding";
    if (n.colorSchemeOverride) line += " colorScheme=" + rawValue(*n.colorSchemeOverride);
    if (n.tapURL) line += " widgetURL=" + quoted(*n.tapURL);
    if (n.background) line += " containerBackground=" + rawValue(*n.background);
    out += line;
    out += '\n';
    for (const auto& c : n.children) dumpNode(c, depth + 1, ref, out);
}

// ---- HTML

// Whether a node grows to fill the width / height its parent offers, the way flexible
// spacers, infinite frames and shapes make a stack grow.
bool wantsWidth(const WidgetNode& n);
bool wantsHeight(const WidgetNode& n);

bool childrenWant(const WidgetNode& n, bool (*want)(const WidgetNode&), WidgetNode::Kind axis) {
    for (const auto& c : n.children) {
        if (c.kind == WidgetNode::Kind::spacer) {
            if (n.kind == axis) return true;
        } else if (want(c)) {
            return true;
        }
    }
    return false;
}

bool wantsWidth(const WidgetNode& n) {
    if (n.frame && n.frame->maxWidthInfinity) return true;
    if (n.kind == WidgetNode::Kind::circle || n.kind == WidgetNode::Kind::spacer) return true;
    return childrenWant(n, wantsWidth, WidgetNode::Kind::hstack);
}

bool wantsHeight(const WidgetNode& n) {
    if (n.frame && n.frame->maxHeightInfinity) return true;
    if (n.kind == WidgetNode::Kind::circle || n.kind == WidgetNode::Kind::spacer) return true;
    return childrenWant(n, wantsHeight, WidgetNode::Kind::vstack);
}

enum class Axis { column, row, layers };

std::string flexItemStyle(const WidgetNode& n, Axis parent) {
    const bool w = wantsWidth(n);
    const bool h = wantsHeight(n);
    std::string s;
    switch (parent) {
        case Axis::column:
            if (h) s += "flex:1 1 0;";
            if (w) s += "align-self:stretch;";
            break;
        case Axis::row:
            if (w) s += "flex:1 1 0;";
            if (h) s += "align-self:stretch;";
            break;
        case Axis::layers:
            s += "grid-area:1/1;";
            if (w) s += "justify-self:stretch;";
            if (h) s += "align-self:stretch;";
            break;
    }
    return s;
}

std::string cssAlign(HorizontalAlignment a) {
    return a == HorizontalAlignment::leading    ? "flex-start"
           : a == HorizontalAlignment::trailing ? "flex-end"
                                                : "center";
}

std::string cssAlign(VerticalAlignment a) {
    return a == VerticalAlignment::top ? "flex-start" : a == VerticalAlignment::bottom ? "flex-end"
                                                                                       : "center";
}

std::string colorVar(ColorToken c) {
    switch (c) {
        case ColorToken::primary: return "var(--primary)";
        case ColorToken::secondary: return "var(--secondary)";
        case ColorToken::quaternary: return "var(--quaternary)";
        case ColorToken::black: return "#000";
        case ColorToken::clear: return "transparent";
    }
    return "var(--primary)";
}

std::string textStyle(const WidgetNode& n) {
    std::string s;
    switch (n.textStyle.value_or(TextStyle::body)) {
        case TextStyle::body: s += "font-size:17px;"; break;
        case TextStyle::headline: s += "font-size:17px;font-weight:600;"; break;
        case TextStyle::subheadline: s += "font-size:15px;"; break;
        case TextStyle::caption: s += "font-size:12px;"; break;
        case TextStyle::caption2: s += "font-size:11px;"; break;
    }
    if (n.weight) s += n.weight == FontWeight::semibold ? "font-weight:600;" : "font-weight:400;";
    if (n.foreground) s += "color:" + colorVar(*n.foreground) + ";";
    if (n.maxLines) {
        if (*n.maxLines <= 1) {
            s += "white-space:nowrap;overflow:hidden;text-overflow:ellipsis;";
        } else {
            s += "display:-webkit-box;-webkit-box-orient:vertical;overflow:hidden;"
                 "-webkit-line-clamp:" + std::to_string(*n.maxLines) + ";";
        }
    }
    return s;
}

void htmlNode(const WidgetNode& n, Axis parent, double ref, std::string& out);

void htmlChildren(const WidgetNode& n, Axis axis, double ref, std::string& out) {
    for (const auto& c : n.children) htmlNode(c, axis, ref, out);
}

void htmlNode(const WidgetNode& n, Axis parent, double ref, std::string& out) {
    using K = WidgetNode::Kind;
    const std::string item = flexItemStyle(n, parent);
    // An appearance override re-defines the palette for everything inside the node.
    const std::string scheme =
        n.colorSchemeOverride ? " colorscheme-" + rawValue(*n.colorSchemeOverride) : "";
    std::string attrs;
    if (n.identity) attrs += " data-id=\"" + escapeHtml(*n.identity) + "\"";

    // A filling frame is a box of its own that places the node inside it.
    std::string frameClose;
    std::string own = item;
    if (n.frame) {
        out += "<div class=\"frame\" style=\"" + item + "display:flex;flex-direction:column;" +
               "align-items:" + cssAlign(n.frame->alignment.horizontal) + ";" +
               "justify-content:" + cssAlign(n.frame->alignment.vertical) + ";\">";
        frameClose = "</div>";
        own.clear();
    }
    if (n.padded) own += "padding:16px;";
    if (n.background) own += "background:" + colorVar(*n.background) + ";";

    switch (n.kind) {
        case K::group:
            out += "<div class=\"group" + scheme + "\"" + attrs + " style=\"display:contents;\">";
            htmlChildren(n, parent, ref, out);
            out += "</div>";
            break;
        case K::vstack:
            out += "<div class=\"vstack" + scheme + "\"" + attrs + " style=\"" + own +
                   "display:flex;flex-direction:column;align-items:" +
                   cssAlign(n.horizontalAlignment) + ";gap:" + number(n.spacing.value_or(8)) +
                   "px;\">";
            htmlChildren(n, Axis::column, ref, out);
            out += "</div>";
            break;
        case K::hstack:
            out += "<div class=\"hstack" + scheme + "\"" + attrs + " style=\"" + own +
                   "display:flex;flex-direction:row;align-items:" + cssAlign(n.verticalAlignment) +
                   ";gap:" + number(n.spacing.value_or(8)) + "px;\">";
            htmlChildren(n, Axis::row, ref, out);
            out += "</div>";
            break;
        case K::zstack:
            out += "<div class=\"zstack" + scheme + "\"" + attrs + " style=\"" + own +
                   "display:grid;place-items:center;\">";
            htmlChildren(n, Axis::layers, ref, out);
            out += "</div>";
            break;
        case K::spacer: {
            const std::string len = number(n.minLength.value_or(8)) + "px";
            std::string dim = parent == Axis::row      ? "min-width:" + len + ";"
                              : parent == Axis::column ? "min-height:" + len + ";"
                                                       : "";
            out += "<div class=\"spacer" + scheme + "\"" + attrs + " style=\"" + own + dim + "\"></div>";
            break;
        }
        case K::text:
            out += "<span class=\"text" + scheme + "\"" + attrs + " style=\"" + own + textStyle(n) + "\">" +
                   escapeHtml(n.text) + "</span>";
            break;
        case K::relativeDate:
            // Short and changing every second: it keeps its width and the neighbours give way.
            out += "<span class=\"text relative" + scheme + "\"" + attrs + " data-date=\"" + epoch(n.date) +
                   "\" style=\"" + own + "flex-shrink:0;" + textStyle(n) + "\">" +
                   escapeHtml(WidgetRenderer::relativeTimeText(n.date, ref)) + "</span>";
            break;
        case K::circle:
            out += "<div class=\"circle" + scheme + "\"" + attrs + " style=\"" + own +
                   "box-sizing:border-box;border-radius:50%;border:" + number(n.strokeWidth) +
                   "px solid " + colorVar(n.strokeColor.value_or(ColorToken::primary)) +
                   ";width:100%;height:100%;\"></div>";
            break;
    }
    out += frameClose;
}

constexpr const char* kStyle = R"CSS(
:root { color-scheme: light dark; }
body { margin: 0; padding: 24px; background: #e5e5ea; color: #1c1c1e;
       font-family: -apple-system, system-ui, "Helvetica Neue", Helvetica, Arial, sans-serif; }
h1 { font-size: 18px; margin: 0 0 16px; }
h2 { font-size: 13px; margin: 0 0 10px; font-weight: 600; }
.schemes { display: flex; flex-wrap: wrap; gap: 24px; align-items: flex-start; }
.scheme { border-radius: 16px; padding: 16px; }
.scheme.light, .colorscheme-light {
  --primary: #000; --secondary: rgba(60,60,67,0.6); --quaternary: rgba(60,60,67,0.18); }
.scheme.dark, .colorscheme-dark {
  --primary: #fff; --secondary: rgba(235,235,245,0.6); --quaternary: rgba(235,235,245,0.16); }
.scheme.light { background: #f2f2f7; color: #000; }
.scheme.dark { background: #1c1c1e; color: #fff; }
.colorscheme-light { color-scheme: light; color: var(--primary); }
.colorscheme-dark { color-scheme: dark; color: var(--primary); }
.scheme.light .stage.accessory { background: linear-gradient(160deg, #dfe7f3, #b7c7de); }
.scheme.dark .stage.accessory { background: linear-gradient(160deg, #2b3a52, #141b26); }
.stage { padding: 16px; border-radius: 12px; display: inline-block; }
.widget { display: flex; flex-direction: column; align-items: center; justify-content: center;
          box-sizing: border-box; overflow: hidden; color: var(--primary); text-decoration: none;
          line-height: 1.2; font-size: 17px; }
.widget * { box-sizing: border-box; min-width: 0; max-width: 100%; }
.widget.system { border-radius: 22px; }
.widget.accessoryCircular { border-radius: 50%; }
.widget.accessoryRectangular { border-radius: 10px; }
)CSS";

// Keeps relative dates counting from the moment the page was rendered, with the same wording
// as the renderer.
constexpr const char* kScript = R"JS(
(function () {
  var ref = Number(document.body.getAttribute('data-reference'));
  var opened = Date.now();
  function unit(n, one, many) { return n + ' ' + (n === 1 ? one : many); }
  function text(date, now) {
    var d = Math.floor(Math.abs(now - date));
    if (d < 60) return d + ' sec';
    if (d < 3600) { var m = Math.floor(d / 60), s = d % 60; return m + ' min' + (s ? ', ' + s + ' sec' : ''); }
    if (d < 86400) { var h = Math.floor(d / 3600), mi = Math.floor(d % 3600 / 60); return h + ' hr' + (mi ? ', ' + mi + ' min' : ''); }
    if (d < 604800) { var dy = Math.floor(d / 86400), hr = Math.floor(d % 86400 / 3600); return unit(dy, 'day', 'days') + (hr ? ', ' + hr + ' hr' : ''); }
    var w = Math.floor(d / 604800), rd = Math.floor(d % 604800 / 86400);
    return w + ' wk' + (rd ? ', ' + unit(rd, 'day', 'days') : '');
  }
  setInterval(function () {
    var now = ref + (Date.now() - opened) / 1000;
    document.querySelectorAll('.relative[data-date]').forEach(function (e) {
      e.textContent = text(Number(e.getAttribute('data-date')), now);
    });
  }, 1000);
})();
)JS";

}  // namespace

std::string WidgetRenderer::relativeTimeText(double date, double referenceTime) {
    const double diff = std::fabs(referenceTime - date);
    if (!std::isfinite(diff)) return "—";
    // Beyond about 30 million years the count stops; no real feed reaches it.
    const auto d = static_cast<std::int64_t>(std::floor(std::fmin(diff, 1e15)));
    auto days = [](std::int64_t n) { return std::to_string(n) + (n == 1 ? " day" : " days"); };
    if (d < 60) return std::to_string(d) + " sec";
    if (d < 3600) {
        const auto s = d % 60;
        return std::to_string(d / 60) + " min" + (s ? ", " + std::to_string(s) + " sec" : "");
    }
    if (d < 86400) {
        const auto m = d % 3600 / 60;
        return std::to_string(d / 3600) + " hr" + (m ? ", " + std::to_string(m) + " min" : "");
    }
    if (d < 604800) {
        const auto h = d % 86400 / 3600;
        return days(d / 86400) + (h ? ", " + std::to_string(h) + " hr" : "");
    }
    const auto rd = d % 604800 / 86400;
    return std::to_string(d / 604800) + " wk" + (rd ? ", " + days(rd) : "");
}

std::string WidgetRenderer::textDump(const WidgetNode& root, double referenceTime) {
    std::string out;
    if (root.kind == WidgetNode::Kind::group && !root.padded && !root.frame && !root.tapURL &&
        !root.background && !root.identity && !root.colorSchemeOverride) {
        for (const auto& c : root.children) dumpNode(c, 0, referenceTime, out);
    } else {
        dumpNode(root, 0, referenceTime, out);
    }
    return out;
}

std::string WidgetRenderer::html(const WidgetNode& root, WidgetFamily family, double referenceTime,
                                 std::string_view title) {
    const WidgetSize size = displaySize(family);
    const bool accessory = isAccessoryFamily(family);
    const auto url = root.findWidgetURL();

    std::string card;
    htmlNode(root, Axis::column, referenceTime, card);

    auto widget = [&](const char* scheme) {
        std::string s = "<section class=\"scheme " + std::string(scheme) + "\"><h2>" + scheme +
                        "</h2><div class=\"stage" + (accessory ? " accessory" : "") + "\">";
        const std::string cls = "widget " + rawValue(family) + (accessory ? "" : " system");
        const std::string style = "width:" + number(size.width) + "px;height:" +
                                  number(size.height) + "px;";
        if (url) {
            s += "<a class=\"" + cls + "\" href=\"" + escapeHtml(*url) + "\" style=\"" + style +
                 "\">" + card + "</a>";
        } else {
            s += "<div class=\"" + cls + "\" style=\"" + style + "\">" + card + "</div>";
        }
        s += "</div></section>";
        return s;
    };

    std::string out;
    out += "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>";
    out += escapeHtml(title);
    out += "</title>\n<style>";
    out += kStyle;
    out += "</style>\n</head>\n<body data-reference=\"" + epoch(referenceTime) + "\">\n<h1>";
    out += escapeHtml(title);
    out += "</h1>\n<div class=\"schemes\">\n";
    out += widget("light");
    out += "\n";
    out += widget("dark");
    out += "\n</div>\n<script>";
    out += kScript;
    out += "</script>\n</body>\n</html>\n";
    return out;
}

}  // namespace platform
