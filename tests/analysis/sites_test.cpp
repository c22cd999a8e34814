// Sites files as engineers write them (columns in any order, quotes, a spreadsheet's
// byte order mark, CR LF) and as they go wrong: each bad file refused naming its line.
#include <gtest/gtest.h>

#include "analysis/sites.h"

namespace quillon {
namespace {

TEST(SitesTest, GoodFiles) {
  std::vector<Site> sites;
  std::string error;
  ASSERT_TRUE(ParseSites("\xef\xbb\xbfreceiver,name,frequency_mhz,eirp_dbm,longitude,latitude,height_m\r\n"
                         "1,\"North, mast\",1935.0,43,-73.55,45.51,30\r\n"
                         "\r\n"
                         ",South,1936.025,40.5,-73.58,45.49,\r\n",
                         "s.csv", sites, error))
      << error;
  ASSERT_EQ(sites.size(), 2u);
  EXPECT_EQ(sites[0].Name, "North, mast");
  EXPECT_EQ(sites[0].Receiver, 1);
  EXPECT_DOUBLE_EQ(sites[0].Latitude, 45.51);
  EXPECT_DOUBLE_EQ(sites[0].Longitude, -73.55);
  EXPECT_DOUBLE_EQ(sites[0].HeightM, 30);
  EXPECT_EQ(sites[1].Receiver, 0);
  EXPECT_DOUBLE_EQ(sites[1].FrequencyMHz, 1936.025);
  EXPECT_EQ(sites[1].Line, 4);
  // The same frequency on two receivers is two sites.
  EXPECT_TRUE(ParseSites("name,latitude,longitude,eirp_dbm,frequency_mhz,receiver\na,1,2,3,900,1\nb,1,2,3,900,2\n",
                         "s.csv", sites, error))
      << error;
}

TEST(SitesTest, BadFilesNameTheLine) {
  const std::string header = "name,latitude,longitude,eirp_dbm,frequency_mhz,receiver\n";
  const struct {
    std::string text, message;
  } cases[] = {
      {"", "s.csv line 1: the file is empty"},
      {"name,latitude,longitude,eirp_dbm\na,1,2,3\n", "s.csv line 1: the header has no column frequency_mhz"},
      {header, "the file has no site below its header"},
      {header + "a,north,2,3,900,\n", "s.csv line 2: latitude \"north\" is not a number."},
      {header + "a,1,2,,900,\n", "s.csv line 2: eirp_dbm \"\" is not a number."},
      {header + "a,91,2,3,900,\n", "s.csv line 2: latitude 91 is outside -90 to 90."},
      {header + "a,1,-180.5,3,900,\n", "s.csv line 2: longitude -180.5 is outside -180 to 180."},
      {header + "a,1,2,3,nan,\n", "s.csv line 2: frequency_mhz \"nan\" is not a number."},
      {header + "a,1,2,3,900,3\n", "s.csv line 2: receiver \"3\" is not 1, 2 or empty"},
      {header + ",1,2,3,900,\n", "s.csv line 2: the site has no name."},
      {header + "a,1,2,3,900,\nb,1,2,3,900.00000,1\n",
       "s.csv line 3: the site b has the frequency 900.00000 MHz of the site a (line 2) on the same receiver."},
      {"name,name,latitude\n", "s.csv line 1: the column name is named twice."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    std::vector<Site> sites;
    std::string error;
    EXPECT_FALSE(ParseSites(c.text, "s.csv", sites, error));
    EXPECT_NE(error.find(c.message), std::string::npos) << error;
  }
}

TEST(SitesTest, OneTransmitter) {
  Site site;
  std::string error;
  ASSERT_TRUE(SingleSite("45.5, -73.6", 43, site, error));
  EXPECT_TRUE(site.EveryFrequency());
  EXPECT_DOUBLE_EQ(site.Longitude, -73.6);
  for (const char* wrong : {"45.5", "95,0", "0,181", "a,b", "1,2,3"}) EXPECT_FALSE(SingleSite(wrong, 43, site, error)) << wrong;
}

}  // namespace
}  // namespace quillon
