#include "job/sheet_pack.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>
#include <optional>

namespace nvx {
namespace {

// Beyond this many copies the arrangement leaves out its slowest rules.
constexpr long long kCopiesForQuadraticRules = 2000;

// Sizes come from millimetres and points: a hair's breadth of rounding must
// not push a copy that fits exactly onto the next sheet.
constexpr double kSlackPt = 1e-6;

struct Rect {
  double x = 0;
  double y = 0;
  double w = 0;
  double h = 0;
  double Right() const { return x + w; }
  double Bottom() const { return y + h; }
};

bool Contains(const Rect& outer, const Rect& inner) {
  return inner.x >= outer.x - kSlackPt && inner.y >= outer.y - kSlackPt &&
         inner.Right() <= outer.Right() + kSlackPt && inner.Bottom() <= outer.Bottom() + kSlackPt;
}

bool Overlaps(const Rect& a, const Rect& b) {
  return a.x < b.Right() - kSlackPt && b.x < a.Right() - kSlackPt && a.y < b.Bottom() - kSlackPt &&
         b.y < a.Bottom() - kSlackPt;
}

// Lower is better: the rule's first measure, then its second.
struct Score {
  double first = std::numeric_limits<double>::infinity();
  double second = std::numeric_limits<double>::infinity();
  bool operator<(const Score& o) const {
    return first < o.first || (first == o.first && second < o.second);
  }
};

struct Choice {
  Score score;
  Rect place;
  bool turned = false;
};

double ContactLength(double a0, double a1, double b0, double b1) {
  return std::max(0.0, std::min(a1, b1) - std::max(a0, b0));
}

// One sheet being filled: the maximal free rectangles (Jylänki's MaxRects).
// Every rectangle here is a copy grown by the gap on its right and bottom, in
// a bin grown by the gap, so copies keep the gap and still reach the edges.
class SheetBin {
 public:
  SheetBin(double w, double h) : w_(w), h_(h) { free_.push_back({0, 0, w, h}); }

  Choice Find(double w, double h, bool mayTurn, PackRule rule) const {
    Choice best;
    for (const Rect& f : free_) {
      Consider(f, w, h, false, rule, best);
      if (mayTurn && w != h) Consider(f, h, w, true, rule, best);
    }
    return best;
  }

  void Place(const Rect& r) {
    std::vector<Rect> made;
    for (std::size_t i = 0; i < free_.size();) {
      if (Overlaps(free_[i], r)) {
        Split(free_[i], r, made);
        free_[i] = free_.back();
        free_.pop_back();
      } else {
        ++i;
      }
    }
    Prune(made);
    used_.push_back(r);
  }

 private:
  void Consider(const Rect& f, double w, double h, bool turned, PackRule rule, Choice& best) const {
    if (w > f.w + kSlackPt || h > f.h + kSlackPt) return;
    const Rect place{f.x, f.y, w, h};
    Score s;
    const double dw = f.w - w;
    const double dh = f.h - h;
    switch (rule) {
      case PackRule::BestShortSideFit:
        s = {std::min(dw, dh), std::max(dw, dh)};
        break;
      case PackRule::BestAreaFit:
        s = {f.w * f.h - w * h, std::min(dw, dh)};
        break;
      case PackRule::BottomLeft:
        s = {f.y + h, f.x};
        break;
      case PackRule::ContactPoint:
        s = {-Contact(place), f.y + h};
        break;
    }
    if (s < best.score) best = {s, place, turned};
  }

  // How much of the copy's outline touches the bin's edges or placed copies.
  double Contact(const Rect& r) const {
    double touch = 0;
    if (std::abs(r.x) < kSlackPt || std::abs(r.Right() - w_) < kSlackPt) touch += r.h;
    if (std::abs(r.y) < kSlackPt || std::abs(r.Bottom() - h_) < kSlackPt) touch += r.w;
    for (const Rect& u : used_) {
      if (std::abs(u.x - r.Right()) < kSlackPt || std::abs(u.Right() - r.x) < kSlackPt)
        touch += ContactLength(u.y, u.Bottom(), r.y, r.Bottom());
      if (std::abs(u.y - r.Bottom()) < kSlackPt || std::abs(u.Bottom() - r.y) < kSlackPt)
        touch += ContactLength(u.x, u.Right(), r.x, r.Right());
    }
    return touch;
  }

  // The parts of a free rectangle the placed one leaves, each as large as it can be.
  static void Split(const Rect& f, const Rect& r, std::vector<Rect>& made) {
    if (r.x > f.x + kSlackPt) made.push_back({f.x, f.y, r.x - f.x, f.h});
    if (r.Right() < f.Right() - kSlackPt)
      made.push_back({r.Right(), f.y, f.Right() - r.Right(), f.h});
    if (r.y > f.y + kSlackPt) made.push_back({f.x, f.y, f.w, r.y - f.y});
    if (r.Bottom() < f.Bottom() - kSlackPt)
      made.push_back({f.x, r.Bottom(), f.w, f.Bottom() - r.Bottom()});
  }

  // Only the new rectangles can be inside another, or hold an old one.
  void Prune(std::vector<Rect>& made) {
    for (std::size_t i = 0; i < made.size(); ++i) {
      bool inside = false;
      for (std::size_t j = 0; j < made.size() && !inside; ++j) {
        inside = j != i && Contains(made[j], made[i]) && (!Contains(made[i], made[j]) || j < i);
      }
      for (const Rect& f : free_) inside = inside || Contains(f, made[i]);
      if (inside) {
        made.erase(made.begin() + static_cast<std::ptrdiff_t>(i));
        --i;
      }
    }
    std::erase_if(free_, [&](const Rect& f) {
      return std::any_of(made.begin(), made.end(), [&](const Rect& m) { return Contains(m, f); });
    });
    free_.insert(free_.end(), made.begin(), made.end());
  }

  double w_;
  double h_;
  std::vector<Rect> free_;
  std::vector<Rect> used_;
};

struct CopyRef {
  int item;
  int copy;
};

bool FitsEmpty(const PackItem& it, double areaW, double areaH) {
  const bool upright = it.widthPt <= areaW + kSlackPt && it.heightPt <= areaH + kSlackPt;
  const bool turned =
      it.mayTurn && it.heightPt <= areaW + kSlackPt && it.widthPt <= areaH + kSlackPt;
  return upright || turned;
}

Status CheckItems(std::span<const PackItem> items, double areaW, double areaH) {
  if (!(areaW > 0) || !(areaH > 0)) return Fail("The printable area has no size.");
  for (const PackItem& it : items) {
    if (!(it.widthPt > 0) || !(it.heightPt > 0) || !std::isfinite(it.widthPt) ||
        !std::isfinite(it.heightPt)) {
      return Fail(it.name + " has no printed size.", Failure::Kind::Refused);
    }
    if (it.copies < 1) return Fail(it.name + " has no copies to place.", Failure::Kind::Refused);
    if (!FitsEmpty(it, areaW, areaH)) {
      auto mm = [](double pt) { return std::to_string(std::lround(pt / kPointsPerMillimetre)); };
      return Fail(it.name + " (" + mm(it.widthPt) + " x " + mm(it.heightPt) +
                      " mm) is larger than the printable area of " + mm(areaW) + " x " + mm(areaH) +
                      " mm" + (it.mayTurn ? ", even turned" : "") + ". Nothing was arranged.",
                  Failure::Kind::Refused);
    }
  }
  return {};
}

std::vector<CopyRef> OrderedCopies(std::span<const PackItem> items, PackOrder order) {
  std::vector<CopyRef> copies;
  for (int i = 0; i < static_cast<int>(items.size()); ++i) {
    for (int c = 0; c < items[i].copies; ++c) copies.push_back({i, c});
  }
  auto key = [&](const CopyRef& r) {
    const PackItem& it = items[r.item];
    switch (order) {
      case PackOrder::LargestAreaFirst:
      case PackOrder::BestFitFirst:
        return it.widthPt * it.heightPt;
      case PackOrder::LongestSideFirst:
        return std::max(it.widthPt, it.heightPt);
      case PackOrder::TallestFirst:
        return it.heightPt;
      case PackOrder::WidestFirst:
        return it.widthPt;
    }
    return 0.0;
  };
  std::stable_sort(copies.begin(), copies.end(),
                   [&](const CopyRef& a, const CopyRef& b) { return key(a) > key(b); });
  return copies;
}

PlacedCopy MakePlaced(const CopyRef& ref, const Choice& choice) {
  return {ref.item,
          ref.copy,
          choice.place.x,
          choice.place.y,
          choice.place.w - kSheetGapPt,
          choice.place.h - kSheetGapPt,
          choice.turned};
}

// True when `a` is the better arrangement: fewer sheets, then fuller sheets
// from the first on (what is left over gathers on the last).
bool Better(const SheetLayout& a, const SheetLayout& b) {
  if (a.sheets.size() != b.sheets.size()) return a.sheets.size() < b.sheets.size();
  for (int s = 0; s < static_cast<int>(a.sheets.size()); ++s) {
    const double ua = a.UsedPercent(s);
    const double ub = b.UsedPercent(s);
    if (std::abs(ua - ub) > 1e-9) return ua > ub;
  }
  return false;
}

}  // namespace

double SheetLayout::UsedPercent(int sheet) const {
  if (sheet < 0 || sheet >= static_cast<int>(sheets.size()) || !(areaWidthPt * areaHeightPt > 0))
    return 0;
  double used = 0;
  for (const PlacedCopy& c : sheets[sheet].copies) used += c.widthPt * c.heightPt;
  return 100.0 * used / (areaWidthPt * areaHeightPt);
}

namespace {

Choice FindFor(const SheetBin& bin, const PackItem& it, PackRule rule) {
  return bin.Find(it.widthPt + kSheetGapPt, it.heightPt + kSheetGapPt, it.mayTurn, rule);
}

// Fills one sheet taking the copies in their order; those that do not fit wait.
SheetPage FillInOrder(std::span<const PackItem> items, SheetBin& bin, PackRule rule,
                      std::vector<CopyRef>& waiting) {
  SheetPage page;
  std::vector<CopyRef> later;
  // The free space only shrinks: once a copy of an item finds no room, no
  // later copy of it will on this sheet.
  std::vector<char> full(items.size(), 0);
  for (const CopyRef& ref : waiting) {
    const Choice choice = full[ref.item] ? Choice{} : FindFor(bin, items[ref.item], rule);
    if (!std::isfinite(choice.score.first)) {
      full[ref.item] = 1;
      later.push_back(ref);
      continue;
    }
    bin.Place(choice.place);
    page.copies.push_back(MakePlaced(ref, choice));
  }
  waiting = std::move(later);
  return page;
}

// Fills one sheet with the best-placed copy each time. Copies of one item are
// alike, so each item is scored once a step.
SheetPage FillBestFirst(std::span<const PackItem> items, SheetBin& bin, PackRule rule,
                        std::vector<CopyRef>& waiting) {
  SheetPage page;
  while (!waiting.empty()) {
    std::optional<std::size_t> best;
    Choice bestChoice;
    for (std::size_t i = 0; i < waiting.size(); ++i) {
      if (i > 0 && waiting[i].item == waiting[i - 1].item) continue;
      const Choice choice = FindFor(bin, items[waiting[i].item], rule);
      if (choice.score < bestChoice.score) {
        bestChoice = choice;
        best = i;
      }
    }
    if (!best) break;
    bin.Place(bestChoice.place);
    page.copies.push_back(MakePlaced(waiting[*best], bestChoice));
    waiting.erase(waiting.begin() + static_cast<std::ptrdiff_t>(*best));
  }
  return page;
}

}  // namespace

Result<SheetLayout> PackCopies(std::span<const PackItem> items, double areaWidthPt,
                               double areaHeightPt, PackRule rule, PackOrder order) {
  if (Status ok = CheckItems(items, areaWidthPt, areaHeightPt); !ok) return ok.failure();
  SheetLayout layout{areaWidthPt, areaHeightPt, {}};
  std::vector<CopyRef> waiting = OrderedCopies(items, order);
  while (!waiting.empty()) {
    SheetBin bin(areaWidthPt + kSheetGapPt, areaHeightPt + kSheetGapPt);
    layout.sheets.push_back(order == PackOrder::BestFitFirst
                                ? FillBestFirst(items, bin, rule, waiting)
                                : FillInOrder(items, bin, rule, waiting));
  }
  return layout;
}

Result<SheetLayout> ArrangeCopies(std::span<const PackItem> items, double areaWidthPt,
                                  double areaHeightPt) {
  if (Status ok = CheckItems(items, areaWidthPt, areaHeightPt); !ok) return ok.failure();
  // The contact-point rule and the best-fit order weigh each copy against every
  // copy placed or left, so their time grows with the square of the copies: past
  // some thousands they are left out, and the other rules keep the arrangement
  // at least as good as best-short-side-fit.
  long long copies = 0;
  for (const PackItem& item : items) copies += item.copies;
  const bool many = copies > kCopiesForQuadraticRules;
  std::optional<SheetLayout> best;
  for (PackRule rule : {PackRule::BestShortSideFit, PackRule::BestAreaFit, PackRule::BottomLeft,
                        PackRule::ContactPoint}) {
    if (many && rule == PackRule::ContactPoint) continue;
    for (PackOrder order :
         {PackOrder::LargestAreaFirst, PackOrder::LongestSideFirst, PackOrder::TallestFirst,
          PackOrder::WidestFirst, PackOrder::BestFitFirst}) {
      if (many && order == PackOrder::BestFitFirst) continue;
      Result<SheetLayout> layout = PackCopies(items, areaWidthPt, areaHeightPt, rule, order);
      if (!layout) return layout.failure();
      if (!best || Better(*layout, *best)) best = std::move(*layout);
    }
  }
  return std::move(*best);
}

Status CheckLayout(std::span<const PackItem> items, const SheetLayout& layout) {
  const Rect area{0, 0, layout.areaWidthPt, layout.areaHeightPt};
  auto name = [&](int item) {
    return item >= 0 && item < static_cast<int>(items.size()) ? items[item].name
                                                              : "item " + std::to_string(item + 1);
  };
  auto rect = [](const PlacedCopy& c) { return Rect{c.xPt, c.yPt, c.widthPt, c.heightPt}; };
  for (const SheetPage& page : layout.sheets) {
    for (const PlacedCopy& c : page.copies) {
      if (!Contains(area, rect(c))) {
        return Fail("Copy " + std::to_string(c.copy + 1) + " of " + name(c.item) +
                        " reaches outside the printable area.",
                    Failure::Kind::Refused);
      }
    }
    // Left to right: a copy can only overlap those that begin before its right edge,
    // so a sheet of many thousand copies is checked in a moment.
    std::vector<std::size_t> order(page.copies.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
      const PlacedCopy& ca = page.copies[a];
      const PlacedCopy& cb = page.copies[b];
      return ca.xPt != cb.xPt ? ca.xPt < cb.xPt : ca.yPt < cb.yPt;
    });
    for (std::size_t a = 0; a < order.size(); ++a) {
      const Rect r = rect(page.copies[order[a]]);
      for (std::size_t b = a + 1;
           b < order.size() && page.copies[order[b]].xPt < r.Right() - kSlackPt; ++b) {
        if (!Overlaps(r, rect(page.copies[order[b]]))) continue;
        // Named as the user placed them: the later copy overlaps the earlier.
        const PlacedCopy& c = page.copies[std::max(order[a], order[b])];
        const PlacedCopy& o = page.copies[std::min(order[a], order[b])];
        return Fail("Copy " + std::to_string(c.copy + 1) + " of " + name(c.item) +
                        " overlaps copy " + std::to_string(o.copy + 1) + " of " + name(o.item) +
                        ".",
                    Failure::Kind::Refused);
      }
    }
  }
  return {};
}

}  // namespace nvx
