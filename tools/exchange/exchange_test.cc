#include "exchange/exchange.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <numbers>
#include <regex>
#include <string>

#include "support/tool_runner.h"

namespace orvello::exchange {
namespace {

constexpr double kPi = std::numbers::pi;

// A bowl as the profile measurement gives it: the interior from the rim (6
// cm above the floor) to the floor, the exterior from the rim top to the
// foot 0.8 cm below the floor, with radii that are not round numbers.
VesselProfile Bowl() {
  VesselProfile p;
  const int n = 120;
  for (int i = 0; i <= n; ++i) {
    const double t = static_cast<double>(i) / n;  // 0 at the rim
    p.inner.push_back({6 * (1 - t), 1.3 + 5.7 * std::sqrt(1 - t * t * 0.9)});
  }
  for (int i = 0; i <= n; ++i) {
    const double t = static_cast<double>(i) / n;
    p.outer.push_back({6.05 - 6.85 * t, 1.9 + 5.75 * std::sqrt(1 - t * t * 0.85)});
  }
  return p;
}

// Only the exterior: a silhouette's profile.
VesselProfile Silhouette() {
  VesselProfile p;
  p.outer = {{9.87654321, 3.2}, {5, 4.75}, {0, 2.5}};
  return p;
}

TEST(RoundTripTest, EveryFormGivesTheSameProfileAndCapacity) {
  const struct {
    const char* name;
    VesselProfile profile;
  } kProfiles[] = {{"bowl", Bowl()}, {"silhouette", Silhouette()}};
  for (const auto& row : kProfiles) {
    for (Format format : {Format::kCsv, Format::kSvg, Format::kDxf}) {
      SCOPED_TRACE(std::string(row.name) + " " + std::string(FormatName(format)));
      const Imported back = Import(Export(row.profile, format), format);
      ASSERT_TRUE(back.ok) << back.error;
      ASSERT_EQ(back.profile.inner.size(), row.profile.inner.size());
      ASSERT_EQ(back.profile.outer.size(), row.profile.outer.size());
      for (const auto& [wall, wall_back] : {std::pair{&row.profile.inner, &back.profile.inner},
                                            {&row.profile.outer, &back.profile.outer}}) {
        for (size_t i = 0; i < wall->size(); ++i) {
          EXPECT_NEAR((*wall_back)[i].height_cm, (*wall)[i].height_cm, 1e-6) << "point " << i;
          EXPECT_NEAR((*wall_back)[i].radius_cm, (*wall)[i].radius_cm, 1e-6) << "point " << i;
        }
      }
      const int fills[] = {100, 50};
      const ProfileMeasure before = MeasureProfile(row.profile, fills);
      const ProfileMeasure after = MeasureProfile(back.profile, fills);
      for (const auto& [what, a, b] :
           {std::tuple{"capacity", before.capacity_cl, after.capacity_cl},
            {"solid", before.solid_cl, after.solid_cl},
            {"body", before.body_cl, after.body_cl}}) {
        if (std::isnan(a)) {
          EXPECT_TRUE(std::isnan(b)) << what;
        } else {
          EXPECT_NEAR(b, a, 5e-7 * std::abs(a)) << what;
        }
      }
    }
  }
}

TEST(CsvTest, HeaderAndPointsRimToFloor) {
  VesselProfile p;
  p.inner = {{2, 1.5}, {0, 1}};
  p.outer = {{2.1, 1.75}, {-0.5, 1.25}};
  EXPECT_EQ(ToCsv(p),
            "part,height_cm,radius_cm\n"
            "inner,2,1.5\ninner,0,1\nouter,2.1,1.75\nouter,-0.5,1.25\n");
}

TEST(CsvTest, ReadsColumnsInAnyOrderAndTurnsAWallUpsideDown) {
  const Imported in = FromCsv("radius_cm,note,part,height_cm\r\n1,x,inner,0\r\n2,y,INNER,3\r\n");
  ASSERT_TRUE(in.ok) << in.error;
  ASSERT_EQ(in.profile.inner.size(), 2u);
  EXPECT_EQ(in.profile.inner[0].height_cm, 3);
  EXPECT_EQ(in.profile.inner[0].radius_cm, 2);
}

TEST(ImportTest, RefusesWhatIsNotAProfile) {
  const struct {
    const char* name;
    Format format;
    const char* text;
  } kCases[] = {
      {"csv without the columns", Format::kCsv, "a,b\n1,2\n"},
      {"csv with a bad number", Format::kCsv, "part,height_cm,radius_cm\ninner,1,x\n"},
      {"csv with an unknown part", Format::kCsv, "part,height_cm,radius_cm\nrim,1,2\n"},
      {"csv with one point", Format::kCsv, "part,height_cm,radius_cm\ninner,1,2\n"},
      {"svg with a curve", Format::kSvg,
       "<svg><path id=\"inner\" d=\"M 0 0 C 1 1 2 2 3 3\"/></svg>"},
      {"svg without a profile", Format::kSvg, "<svg><rect width=\"3\"/></svg>"},
      {"not svg", Format::kSvg, "hello"},
      {"dxf without the layers", Format::kDxf,
       "0\nSECTION\n2\nENTITIES\n0\nLWPOLYLINE\n8\nWALL\n10\n0\n20\n0\n10\n1\n20\n1\n0\nENDSEC\n0\n"
       "EOF\n"},
      {"binary", Format::kDxf, "AutoCAD Binary DXF\r\n\x1a"},
  };
  for (const auto& c : kCases) {
    const Imported in = Import(c.text, c.format);
    EXPECT_FALSE(in.ok) << c.name;
    EXPECT_FALSE(in.error.empty()) << c.name;
  }
}

TEST(SvgTest, SizeInMillimetresMatchesTheViewBoxAndTheVessel) {
  const VesselProfile bowl = Bowl();
  const std::string svg = ToSvg(bowl);
  std::smatch m;
  ASSERT_TRUE(std::regex_search(
      svg, m,
      std::regex(
          "width=\"([0-9.]+)mm\" height=\"([0-9.]+)mm\" viewBox=\"0 0 ([0-9.]+) ([0-9.]+)\"")));
  const double width = std::stod(m[1]), height = std::stod(m[2]);
  EXPECT_EQ(m[1], m[3]);
  EXPECT_EQ(m[2], m[4]);
  // 10 mm of paper around the vessel: widest radius 7.65 cm, 6.05 + 0.8 cm tall.
  EXPECT_NEAR(width, 20 + 76.5, 1e-6);
  EXPECT_NEAR(height, 20 + 68.5, 1e-6);
}

TEST(SvgTest, ReadsAHandDrawnPathAndUnits) {
  // A cylinder 5 cm in radius, 4 cm deep, traced in centimetre user units
  // (the root is 100 mm wide over a viewBox 10 wide) with relative commands,
  // from the floor up, the axis at x = 6.
  const char* kSvg =
      "<?xml version=\"1.0\"?>\n<!-- traced -->\n"
      "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"100mm\" height=\"80mm\" "
      "viewBox=\"0 0 10 8\">\n"
      "<line id=\"axis\" x1=\"6\" y1=\"0\" x2=\"6\" y2=\"8\"/>\n"
      "<path class=\"wall inner\" d=\"M1,6 v-2 l0-2\"/></svg>\n";
  const Imported in = FromSvg(kSvg);
  ASSERT_TRUE(in.ok) << in.error;
  ASSERT_EQ(in.profile.inner.size(), 3u);
  EXPECT_DOUBLE_EQ(in.profile.inner.front().height_cm, 4);
  EXPECT_DOUBLE_EQ(in.profile.inner.back().height_cm, 0);
  EXPECT_DOUBLE_EQ(in.profile.inner.front().radius_cm, 5);
  const int fills[] = {100};
  EXPECT_NEAR(MeasureProfile(in.profile, fills).capacity_cl, kPi * 25 * 4 / 10, 1e-9);
}

TEST(DxfTest, LengthsInTheHeadersUnit) {
  // The same interior, 2 units deep and 1.5 units in radius, in four units.
  const struct {
    const char* units;
    double cm_per_unit;
  } kCases[] = {{"", 0.1}, {"4", 0.1}, {"5", 1}, {"1", 2.54}, {"6", 100}};
  for (const auto& c : kCases) {
    std::string dxf;
    if (*c.units) {
      dxf += "0\nSECTION\n2\nHEADER\n9\n$INSUNITS\n70\n" + std::string(c.units) + "\n0\nENDSEC\n";
    }
    dxf +=
        "0\nSECTION\n2\nENTITIES\n0\nLWPOLYLINE\n8\nINNER\n10\n-1.5\n20\n2\n10\n-1.5\n20\n0\n"
        "0\nENDSEC\n0\nEOF\n";
    const Imported in = FromDxf(dxf);
    ASSERT_TRUE(in.ok) << in.error;
    EXPECT_NEAR(in.profile.inner[0].height_cm, 2 * c.cm_per_unit, 1e-12) << c.units;
    EXPECT_NEAR(in.profile.inner[0].radius_cm, 1.5 * c.cm_per_unit, 1e-12) << c.units;
  }
}

TEST(DxfTest, ReadsLightweightPolylinesAndTheAxis) {
  // The section right of an axis at x = 100: a cone frustum, radius 30 mm at
  // the floor (y = 20) and 50 mm at the rim (y = 70).
  const char* kDxf =
      "0\nSECTION\n2\nENTITIES\n"
      "0\nLINE\n8\naxis\n10\n100\n20\n0\n30\n0\n11\n100\n21\n90\n31\n0\n"
      "0\nLWPOLYLINE\n8\nInner\n90\n2\n70\n0\n10\n130\n20\n20\n10\n150\n20\n70\n"
      "0\nENDSEC\n0\nEOF\n";
  const Imported in = FromDxf(kDxf);
  ASSERT_TRUE(in.ok) << in.error;
  ASSERT_EQ(in.profile.inner.size(), 2u);
  EXPECT_DOUBLE_EQ(in.profile.inner[0].height_cm, 5);
  EXPECT_DOUBLE_EQ(in.profile.inner[0].radius_cm, 5);
  EXPECT_DOUBLE_EQ(in.profile.inner[1].height_cm, 0);
  EXPECT_DOUBLE_EQ(in.profile.inner[1].radius_cm, 3);
}

// The Python with ezdxf that reads the DXF, or "" when there is none.
std::string EzdxfPython() {
  const std::string python = ORVELLO_PYTHON;
  if (python.empty()) return "";
  const std::string probe = python + " -c 'import ezdxf' >/dev/null 2>&1";
  return std::system(probe.c_str()) == 0 ? python : "";
}

TEST(DxfTest, AnIndependentReaderFindsTheLayersPolylinesAndSize) {
  const std::string python = EzdxfPython();
  if (python.empty()) GTEST_SKIP() << "python3 with ezdxf (Debian python3-ezdxf) not found";
  orvello::testing::TempDir dir;
  const VesselProfile bowl = Bowl();
  orvello::testing::WriteFile(dir.path() / "bowl.dxf", ToDxf(bowl));
  const char* kScript =
      "import sys, ezdxf\n"
      "doc = ezdxf.readfile(sys.argv[1])\n"
      "auditor = doc.audit()\n"
      "print('version', doc.dxfversion)\n"
      "print('errors', len(auditor.errors))\n"
      "print('units', doc.header.get('$INSUNITS', 0))\n"
      "msp = doc.modelspace()\n"
      "for e in msp:\n"
      "    if e.dxftype() == 'POLYLINE':\n"
      "        pts = [v.dxf.location for v in e.vertices]\n"
      "        xs = [p.x for p in pts]; ys = [p.y for p in pts]\n"
      "        print(e.dxf.layer, len(pts), '%.6f %.6f %.6f' % (-min(xs), max(ys), min(ys)))\n"
      "    elif e.dxftype() == 'LINE':\n"
      "        print(e.dxf.layer, 'line')\n"
      "names = set(l.dxf.name for l in doc.layers)\n"
      "print('layers', all(n in names for n in ('INNER', 'OUTER', 'AXIS', 'RIM')))\n";
  orvello::testing::WriteFile(dir.path() / "read.py", kScript);
  const std::string command = python + " " + (dir.path() / "read.py").string() + " " +
                              (dir.path() / "bowl.dxf").string() + " > " +
                              (dir.path() / "out.txt").string() + " 2>&1";
  ASSERT_EQ(std::system(command.c_str()), 0) << orvello::testing::ReadFile(dir.path() / "out.txt");
  const std::string out = orvello::testing::ReadFile(dir.path() / "out.txt");
  const char* kExpected[] = {
      "version AC1009\n",
      "errors 0\n",
      "units 4\n",
      "INNER 121 70.000000 60.000000 0.000000\n",
      "OUTER 121 76.500000 60.500000 -8.000000\n",
      "AXIS line\n",
      "RIM line\n",
      "layers True\n",
  };
  for (const char* line : kExpected) EXPECT_NE(out.find(line), std::string::npos) << line << out;
}

TEST(SvgTest, AnIndependentXmlReaderFindsTheSizeInMillimetres) {
  const std::string python = ORVELLO_PYTHON;
  if (python.empty()) GTEST_SKIP() << "no python3 to read the SVG";
  orvello::testing::TempDir dir;
  orvello::testing::WriteFile(dir.path() / "bowl.svg", ToSvg(Bowl()));
  const char* kScript =
      "import sys, xml.etree.ElementTree as ET\n"
      "root = ET.parse(sys.argv[1]).getroot()\n"
      "ns = '{http://www.w3.org/2000/svg}'\n"
      "print(root.tag == ns + 'svg', root.get('width'), root.get('height'), root.get('viewBox'))\n"
      "for p in root.iter(ns + 'polyline'):\n"
      "    pts = [tuple(map(float, q.split(','))) for q in p.get('points').split()]\n"
      "    print(p.get('id'), len(pts), '%.3f' % (max(y for x, y in pts) - min(y for x, y in "
      "pts)))\n";
  orvello::testing::WriteFile(dir.path() / "read.py", kScript);
  const std::string command = python + " " + (dir.path() / "read.py").string() + " " +
                              (dir.path() / "bowl.svg").string() + " > " +
                              (dir.path() / "out.txt").string() + " 2>&1";
  ASSERT_EQ(std::system(command.c_str()), 0) << orvello::testing::ReadFile(dir.path() / "out.txt");
  // 10 mm of paper around a vessel 76.5 mm in radius and 68.5 mm tall; the
  // interior 60 mm deep, the exterior 68.5 mm tall.
  EXPECT_EQ(orvello::testing::ReadFile(dir.path() / "out.txt"),
            "True 96.5mm 88.5mm 0 0 96.5 88.5\ninner 121 60.000\nouter 121 68.500\n");
}

TEST(FormatTest, NamesPathsAndLists) {
  Format f;
  EXPECT_TRUE(FormatOfPath("/a/b.c/Profile.DXF", &f));
  EXPECT_EQ(f, Format::kDxf);
  EXPECT_FALSE(FormatOfPath("/a/b.csv/profile", &f));
  std::vector<Format> list;
  EXPECT_TRUE(ParseFormatList("csv, svg,dxf,csv", &list));
  EXPECT_EQ(list, (std::vector<Format>{Format::kCsv, Format::kSvg, Format::kDxf}));
  EXPECT_FALSE(ParseFormatList("csv,pdf", &list));
  EXPECT_FALSE(ParseFormatList("", &list));
}

}  // namespace
}  // namespace orvello::exchange
