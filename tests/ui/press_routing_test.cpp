#include <gtest/gtest.h>

#include "ui/press_routing.hpp"

namespace torvane {
namespace {

// The game screen as "@STE" leaves it: title and narration label hidden.
FormModel NormalScreen() {
  FormModel form;
  form.Image3.Visible = false;
  form.Label4.Visible = false;
  form.Label3.Visible = true;
  form.ListBox1.Visible = true;
  return form;
}

std::string_view NameAt(const FormModel& form, int x, int y) {
  const Control* control = RoutePress(form, x, y);
  return control ? control->Name : "Form1";
}

TEST(PressRouting, TopmostVisibleControlInCreationOrderTakesThePress) {
  FormModel form = NormalScreen();
  EXPECT_EQ(NameAt(form, 10, 10), "Image1");
  EXPECT_EQ(NameAt(form, 10, 270), "Image2");   // the portrait lies over the scene's lowest rows
  EXPECT_EQ(NameAt(form, 200, 283), "Label1");  // the message area lies over them too
  EXPECT_EQ(NameAt(form, 100, 200), "Label3");
  EXPECT_EQ(NameAt(form, 500, 20), "Label2");
  EXPECT_EQ(NameAt(form, 500, 100), "ListBox1");
  EXPECT_EQ(NameAt(form, 452, 100), "Form1");   // between the scene and the list
  EXPECT_EQ(NameAt(form, 631, 425), "Form1");
  EXPECT_EQ(NameAt(form, -1, 0), "Form1");
}

TEST(PressRouting, DisabledControlsLetThePressThrough) {
  FormModel form = NormalScreen();
  form.Label2.Enabled = false;
  EXPECT_EQ(NameAt(form, 500, 20), "Form1");
  form.Label3.Enabled = false;
  EXPECT_EQ(NameAt(form, 100, 200), "Image1");
  form.ListBox1.Enabled = false;
  EXPECT_EQ(NameAt(form, 500, 100), "Form1");
}

TEST(PressRouting, CoveringLabelsAndTheTitleTakeEveryPress) {
  FormModel form;  // as created: the title over the black label
  EXPECT_EQ(NameAt(form, 10, 10), "Image3");
  form.Image3.Visible = false;
  EXPECT_EQ(NameAt(form, 300, 350), "Label4");
  EXPECT_EQ(RoutePress(form, 300, 350)->Press, PressHandler::None);
}

}  // namespace
}  // namespace torvane
