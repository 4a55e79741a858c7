#include "preview/chain_texts.h"

#include "preview/chain_nodes.h"

#include <algorithm>
#include <cmath>

namespace GDI {
namespace {

using namespace chain_nodes;

// Horizontal alignment (group 72) of one-line texts.
enum : int { kLeft = 0, kCentre = 1, kRight = 2, kAligned = 3, kMiddle = 4, kFit = 5 };

// One line spacing is 5/3 of the text height.
constexpr double kLineSpacing = 5.0 / 3.0;

bool finite(const GcGePoint2d& p) { return std::isfinite(p.x) && std::isfinite(p.y); }
double positiveOr(double v, double fallback) { return std::isfinite(v) && v > 0.0 ? v : fallback; }
GcGePoint2d pointOf(const vd::ValueNode& n) { return GcGePoint2d(n.v.point[0], n.v.point[1]); }

bool blank(std::u16string_view text) {
  return std::all_of(text.begin(), text.end(), [](char16_t c) { return c == u' ' || c == u'\u00A0'; });
}

chain_text textOfLine(std::u16string text, const text_format& format) {
  chain_text t;
  t.text = std::move(text);
  t.height = format.height;
  t.underline = format.underline;
  t.strike_out = format.strike_out;
  return t;
}

} // namespace

std::vector<laid_text> one_line_text(const vd::ValueNode* chain, const text_measure& width) {
  const bool attribute = sameType(typeOf(chain), "ATTRIB") || sameType(typeOf(chain), "ATTDEF");
  std::u16string_view text;
  std::optional<GcGePoint2d> first, second;
  double height = 0.0, widthFactor = 1.0, angle = 0.0;
  int horizontal = kLeft, vertical = 0, generation = 0;
  for (const vd::ValueNode* n = chain; n && n->code != kExtendedData; n = n->next) {
    switch (n->code) {
    case 1: text = textOf(*n); break;
    case 10: first = pointOf(*n); break;
    case 11: second = pointOf(*n); break;
    case 40: height = n->v.real; break;
    case 41: widthFactor = n->v.real; break;
    case 50: angle = n->v.real; break;
    case 71: generation = n->v.i16; break;
    case 72: horizontal = n->v.i16; break;
    case 73:
      if (!attribute)
        vertical = n->v.i16;
      break;
    case 74:
      if (attribute)
        vertical = n->v.i16;
      break;
    default: break;
    }
  }
  if (!first || !finite(*first) || !(height > 0.0) || !std::isfinite(height))
    return {};
  if (second && !finite(*second))
    second.reset();
  text_format base;
  base.height = height;
  const std::vector<text_run> runs = decode_text(text, base);
  std::u16string line;
  for (const text_run& run : runs)
    line += run.text;
  if (line.empty())
    return {};
  laid_text out{textOfLine(std::move(line), runs.front().format), runs.front().format};
  chain_text& t = out.text;
  t.position = *first;
  t.width_factor = positiveOr(widthFactor, 1.0);
  if (std::isfinite(angle))
    t.direction = GcGeVector2d(std::cos(angle), std::sin(angle));
  t.backward = (generation & 2) != 0;
  t.upside_down = (generation & 4) != 0;
  if (vertical < 0 || vertical > 3)
    vertical = 0;
  switch (horizontal) {
  case kAligned:
  case kFit: {
    // Between the two points: the direction is theirs, the length fixed.
    if (!second || first->isEqualTo(*second, GcGeTol(0.0, 0.0)))
      break;
    const GcGeVector2d run = *second - *first;
    const double length = run.length();
    t.direction = run / length;
    const double natural = width(t.text) * t.width_factor; // at height 1
    if (!(natural > 0.0) || !std::isfinite(natural))
      break;
    if (horizontal == kAligned)
      t.height = length / natural;
    else
      t.width_factor = positiveOr(t.width_factor * length / (natural * height), t.width_factor);
    break;
  }
  case kMiddle:
    t.position = second.value_or(*first);
    t.horizontal = 1;
    t.vertical = 2;
    break;
  case kCentre:
  case kRight:
    t.position = second.value_or(*first);
    t.horizontal = static_cast<std::uint32_t>(horizontal);
    t.vertical = static_cast<std::uint32_t>(vertical);
    break;
  default:
    t.vertical = static_cast<std::uint32_t>(vertical);
    if (vertical != 0)
      t.position = second.value_or(*first);
    break;
  }
  std::vector<laid_text> lines;
  lines.push_back(std::move(out));
  return lines;
}

std::vector<text_line> wrap_paragraph(const text_paragraph& paragraph, double width, const text_measure& measure) {
  // The paragraph's characters, each with its run's format.
  std::u16string chars;
  std::vector<const text_format*> formats;
  for (const text_run& run : paragraph.runs) {
    chars += run.text;
    formats.insert(formats.end(), run.text.size(), &run.format);
  }
  std::vector<text_line> lines;
  if (chars.empty()) {
    lines.push_back(text_line{{}, paragraph.start});
    return lines;
  }
  const std::size_t n = chars.size();
  auto line = [&](std::size_t from, std::size_t to) {
    while (to > from && chars[to - 1] == u' ')
      --to;
    lines.push_back(text_line{chars.substr(from, to - from), *formats[from]});
  };
  if (!(width > 0.0) || !std::isfinite(width)) {
    line(0, n);
    return lines;
  }
  // Words with the spaces before them, each part measured once: a line's
  // length is the sum of its words and the spaces between them, so that a
  // long paragraph costs one measure a word.
  struct word {
    std::size_t from, start, to; // spaces from `from`, the word from `start` to `to`
    double spaces, length;       // at height 1
  };
  std::vector<word> words;
  const std::u16string_view all(chars);
  for (std::size_t i = 0; i < n;) {
    word w{i, i, i, 0.0, 0.0};
    while (w.start < n && chars[w.start] == u' ')
      ++w.start;
    w.to = w.start;
    while (w.to < n && chars[w.to] != u' ')
      ++w.to;
    if (w.to == w.start)
      break; // trailing spaces
    w.spaces = w.start > w.from ? measure(all.substr(w.from, w.start - w.from)) : 0.0;
    w.length = measure(all.substr(w.start, w.to - w.start));
    words.push_back(w);
    i = w.to;
  }
  if (words.empty()) {
    line(0, n);
    return lines;
  }
  std::size_t first = 0;
  while (first < words.size()) {
    // The first word stays on the line (with the paragraph's indent on its
    // first line), however long it is; further words while the line fits.
    const std::size_t from = first == 0 ? 0 : words[first].start;
    const double height = formats[from]->height;
    double length = (first == 0 ? words[0].spaces : 0.0) + words[first].length;
    std::size_t last = first;
    while (last + 1 < words.size()) {
      const double longer = length + words[last + 1].spaces + words[last + 1].length;
      if (!(longer * height <= width * (1.0 + 1e-9)))
        break;
      length = longer;
      ++last;
    }
    line(from, words[last].to);
    first = last + 1;
  }
  return lines;
}

std::vector<laid_text> multi_line_text(const vd::ValueNode* chain, const text_measure& width) {
  std::optional<GcGePoint2d> insertion;
  double height = 0.0, wrapWidth = 0.0, spacing = 1.0;
  int attachment = 1, spacingStyle = 1;
  GcGeVector2d direction = GcGeVector2d::kXAxis;
  std::u16string chunks, last;
  for (const vd::ValueNode* n = chain; n && n->code != kExtendedData; n = n->next) {
    switch (n->code) {
    case 1: last = std::u16string(textOf(*n)); break;
    case 3: chunks += textOf(*n); break;
    case 10: insertion = pointOf(*n); break;
    case 11: {
      const GcGeVector2d d(n->v.point[0], n->v.point[1]);
      if (std::isfinite(d.length()) && d.length() > 0.0)
        direction = d / d.length();
      break;
    }
    case 40: height = n->v.real; break;
    case 41: wrapWidth = n->v.real; break;
    case 44: spacing = n->v.real; break;
    case 50:
      if (std::isfinite(n->v.real))
        direction = GcGeVector2d(std::cos(n->v.real), std::sin(n->v.real));
      break;
    case 71: attachment = n->v.i16; break;
    case 73: spacingStyle = n->v.i16; break;
    default: break;
    }
  }
  if (!insertion || !finite(*insertion) || !(height > 0.0) || !std::isfinite(height))
    return {};
  if (attachment < 1 || attachment > 9)
    attachment = 1;
  spacing = std::clamp(positiveOr(spacing, 1.0), 0.25, 4.0);
  text_format base;
  base.height = height;
  std::vector<text_line> lines;
  for (const text_paragraph& p : decode_mtext(chunks + last, base)) {
    std::vector<text_line> wrapped = wrap_paragraph(p, wrapWidth, width);
    lines.insert(lines.end(), std::make_move_iterator(wrapped.begin()), std::make_move_iterator(wrapped.end()));
  }
  if (std::all_of(lines.begin(), lines.end(), [](const text_line& l) { return blank(l.text); }))
    return {};

  // Baselines from the first one down.
  std::vector<double> baselines(lines.size(), 0.0);
  for (std::size_t i = 1; i < lines.size(); ++i) {
    const double tallest = spacingStyle == 2 ? height : std::max(lines[i - 1].format.height, lines[i].format.height);
    baselines[i] = baselines[i - 1] - kLineSpacing * spacing * tallest;
  }
  const double top = lines.front().format.height; // the first line's top above its baseline
  const double total = top - baselines.back();
  const int row = (attachment - 1) / 3;
  const double shift = row == 0 ? -top : row == 1 ? total / 2.0 - top : -baselines.back();
  const GcGeVector2d up = direction.perpVector();
  std::vector<laid_text> out;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (blank(lines[i].text))
      continue;
    laid_text l{textOfLine(std::move(lines[i].text), lines[i].format), lines[i].format};
    l.text.position = *insertion + up * (baselines[i] + shift);
    l.text.direction = direction;
    l.text.horizontal = static_cast<std::uint32_t>((attachment - 1) % 3);
    out.push_back(std::move(l));
  }
  return out;
}

} // namespace GDI
