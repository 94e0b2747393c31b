// The cost the SVG pass charges each element, and the elements it leaves
// out as lying wholly outside the shown corner.
#include <gtest/gtest.h>

#include "pictures/picture_budget.hpp"
#include "pictures/svg_shape_cost.hpp"

namespace torvane {
namespace {

using pictures::Affine;
using pictures::CostOfElement;
using pictures::ParseTransform;

TEST(SvgShapeCostTest, TransformsComposeOutermostFirst) {
  const auto m = ParseTransform("translate(10, 20) scale(2 3)");
  ASSERT_TRUE(m);
  // (1, 1) is scaled first, then moved.
  EXPECT_DOUBLE_EQ(m->a * 1 + m->c * 1 + m->e, 12);
  EXPECT_DOUBLE_EQ(m->b * 1 + m->d * 1 + m->f, 23);
  const auto matrix = ParseTransform("matrix(0 1 -1 0 5 6)");
  ASSERT_TRUE(matrix);
  EXPECT_DOUBLE_EQ(matrix->a * 2 + matrix->c * 3 + matrix->e, 2);  // (2, 3) turned a quarter, then moved
  EXPECT_DOUBLE_EQ(matrix->b * 2 + matrix->d * 3 + matrix->f, 8);
  EXPECT_FALSE(ParseTransform("rotate(30)"));
  EXPECT_FALSE(ParseTransform("translate(1, 2"));
}

TEST(SvgShapeCostTest, WorkIsRowsAndCrossingsSquared) {
  // Rows 20 to 25: three crossings on the top and bottom rows (the flat
  // edges lie on them), two between.
  const auto rect = CostOfElement(R"(<rect x="10.0000" y="20.0000" width="30.0000" height="5.0000" fill="#000000" />)",
                                  Affine{}, 440, 280);
  ASSERT_TRUE(rect);
  EXPECT_FALSE(rect->outside);
  EXPECT_EQ(rect->work, 4 + 6 + (9 + 4 * 4 + 9));

  // A zigzag crossing each row n times costs about n * n a row.
  std::string zigzag = "<path d=\"M 0,0";
  for (int i = 1; i <= 40; ++i) zigzag += " L " + std::to_string(i * 10) + "," + (i % 2 ? "279" : "0");
  zigzag += " Z\" fill=\"#000000\" />";
  const auto path = CostOfElement(zigzag, Affine{}, 440, 280);
  ASSERT_TRUE(path);
  EXPECT_GE(path->work, 280 * 40 * 40);
  EXPECT_LE(path->work, 280 * 42 * 42);
  // A wide pen fills an outline of its own on each side.
  std::string wide = zigzag;
  wide.replace(wide.find("fill="), 0, "stroke=\"#102080\" stroke-width=\"6.0000\" ");
  EXPECT_EQ(CostOfElement(wide, Affine{}, 440, 280)->work, 4 * path->work);

  // Text is dear by the glyph, however small, and by the element.
  const auto text = CostOfElement(R"(<text x="10" y="50" font-size="10"><![CDATA[Abc]]></text>)", Affine{}, 440, 280);
  ASSERT_TRUE(text);
  EXPECT_GE(text->work, 4 * pictures::kShownGlyphWork);
  EXPECT_LT(text->work, 4 * pictures::kShownGlyphWork + 3 * 40 + 2);
}

TEST(SvgShapeCostTest, OnlyShapesWhollyOutsideTheCornerAreLeftOut) {
  const auto at = [](std::string_view element, Affine m = {}) { return CostOfElement(element, m, 440, 280)->outside; };
  EXPECT_TRUE(at(R"(<rect x="500" y="10" width="20" height="20" fill="#000000" />)"));
  EXPECT_TRUE(at(R"(<ellipse cx="100" cy="400" rx="50" ry="50" fill="#000000" />)"));
  EXPECT_FALSE(at(R"(<ellipse cx="100" cy="320" rx="50" ry="50" fill="#000000" />)"));
  // The pen's half width and a pixel of smoothing still reach in.
  EXPECT_FALSE(at(R"(<rect x="445" y="10" width="20" height="20" stroke="#000000" stroke-width="8" />)"));
  EXPECT_TRUE(at(R"(<rect x="445" y="10" width="20" height="20" stroke="none" fill="#000000" />)"));
  // Control points bound a curve: this one's all lie right of the corner.
  EXPECT_TRUE(at(R"(<path d="M 500,0 C 450,100 900,200 500,270 Z" fill="#000000" />)"));
  // Mapped into the corner by its group.
  EXPECT_FALSE(at(R"(<rect x="500" y="10" width="20" height="20" fill="#000000" />)", Affine{0.5, 0, 0, 0.5, 0, 0}));
  // Arcs and shapes with a transform of their own are never left out.
  EXPECT_FALSE(at(R"(<path d="M 500,0 A 10 10 0 0 1 510,10" fill="#000000" />)"));
  EXPECT_FALSE(at(R"x(<rect x="500" y="10" width="20" height="20" transform="rotate(90)" />)x"));
  EXPECT_FALSE(CostOfElement(R"(<rect x="500" y="10" width="20" height="20" />)", std::nullopt, 440, 280)->outside);
  // Text reaches a whole em each side of its anchor for each character.
  EXPECT_FALSE(at(R"(<text x="470" y="50" font-size="20"><![CDATA[Ab]]></text>)"));
  EXPECT_TRUE(at(R"(<text x="520" y="50" font-size="20"><![CDATA[Ab]]></text>)"));
  EXPECT_FALSE(CostOfElement("<g>", Affine{}, 440, 280));
}

}  // namespace
}  // namespace torvane
