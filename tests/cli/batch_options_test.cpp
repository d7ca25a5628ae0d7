#include "cli/batch_options.hpp"

#include <gtest/gtest.h>

namespace kestrune {
namespace {

TEST(BatchOptions, DefaultsAreTheWindowsStartValues) {
    BatchOptions options = parseBatchOptions({"--grid-folder", "g"});
    EXPECT_TRUE(options.usageError.empty());
    const RunSettings& s = options.settings;
    EXPECT_EQ(s.inputKind, InputKind::EsriGrids);
    EXPECT_EQ(s.cellSizeMode, CellSizeMode::Inferred);
    EXPECT_EQ(s.Separator, " ");
    EXPECT_FALSE(s.contourOutput);
    EXPECT_FALSE(s.slopeOutput);
    EXPECT_EQ(s.contourStart, "0");
    EXPECT_EQ(s.contourInterval, "5");
}

TEST(BatchOptions, ValuesAreKeptAsTyped) {
    BatchOptions options =
        parseBatchOptions({"--input", "xyz", "--xyz-folder", "/x/", "--ascii-folder", "a b", "--grid-folder", "g",
                           "--cell-size", " 2.5x", "--separator", "tab", "--contour-folder", "c", "--contour-start",
                           "-3", "--contour-interval=0.5", "--slope-folder", "s"});
    ASSERT_TRUE(options.usageError.empty()) << options.usageError;
    const RunSettings& s = options.settings;
    EXPECT_EQ(s.inputKind, InputKind::XyzFiles);
    EXPECT_EQ(s.xyzFolder, "/x/");
    EXPECT_EQ(s.asciiFolder, "a b");
    EXPECT_EQ(s.cellSizeMode, CellSizeMode::Given);
    EXPECT_EQ(s.cellSize, " 2.5x");
    EXPECT_EQ(s.Separator, "\t");
    EXPECT_TRUE(s.contourOutput);
    EXPECT_EQ(s.contourStart, "-3");
    EXPECT_EQ(s.contourInterval, "0.5");
    EXPECT_TRUE(s.slopeOutput);
    EXPECT_EQ(s.slopeFolder, "s");
}

TEST(BatchOptions, SeparatorWords) {
    const std::pair<const char*, const char*> cases[] = {{"space", " "}, {"tab", "\t"}, {",", ","}, {";", ";"}};
    for (const auto& [word, separator] : cases) {
        SCOPED_TRACE(word);
        EXPECT_EQ(parseBatchOptions({"--separator", word}).settings.Separator, separator);
    }
}

TEST(BatchOptions, ThreadsAndShards) {
    BatchOptions options = parseBatchOptions({"--threads", "3", "--shard=2/4"});
    EXPECT_EQ(options.usageError, "");
    EXPECT_EQ(options.threads, 3u);
    EXPECT_EQ(options.settings.shardIndex, 2);
    EXPECT_EQ(options.settings.shardCount, 4);
    // Job arrays that number their tasks from 1 give K = N: the same as 0.
    EXPECT_EQ(parseBatchOptions({"--shard", "4/4"}).settings.shardIndex, 0);
    EXPECT_EQ(parseBatchOptions({}).threads, 0u);
}

TEST(BatchOptions, UsageErrors) {
    const std::vector<std::vector<std::string>> cases = {
        {"--frobnicate"},    {"--grid-folder"},    {"--input", "dem"},    {"--separator", "|"}, {"stray"},
        {"--threads", "0"},  {"--threads", "two"}, {"--threads", "2000"}, {"--shard", "1"},     {"--shard", "1/0"},
        {"--shard", "-1/4"}, {"--shard", "1/4/2"}, {"--shard", " 1/4"}};
    for (const auto& arguments : cases) {
        SCOPED_TRACE(arguments.back());
        EXPECT_FALSE(parseBatchOptions(arguments).usageError.empty());
    }
}

// Shards that make their own GRIDs cannot wait for their neighbours': the
// refusal gives the two steps that can.
TEST(BatchOptions, SeamlessShardsStartFromGrids) {
    EXPECT_TRUE(parseBatchOptions({"--grid-folder", "g", "--seamless"}).settings.seamless);
    EXPECT_FALSE(parseBatchOptions({"--grid-folder", "g"}).settings.seamless);
    EXPECT_TRUE(parseBatchOptions({"--grid-folder", "g", "--seamless", "--shard", "1/4"}).usageError.empty());
    EXPECT_TRUE(parseBatchOptions({"--input", "ascii", "--grid-folder", "g", "--seamless"}).usageError.empty());
    for (const char* input : {"xyz", "ascii"}) {
        const BatchOptions o =
            parseBatchOptions({"--input", input, "--grid-folder", "g", "--seamless", "--shard", "0/2"});
        EXPECT_EQ(o.usageError.rfind("--seamless with --shard needs --input grid", 0), 0u) << o.usageError;
        EXPECT_NE(o.usageError.find("  1. kestrune-batch --input " + std::string(input)), std::string::npos);
        EXPECT_NE(o.usageError.find("  2. kestrune-batch --input grid --grid-folder DIR --seamless --shard K/N"),
                  std::string::npos);
    }
}

TEST(BatchOptions, AZFactorIsAPositiveNumber) {
    EXPECT_EQ(parseBatchOptions({"--grid-folder", "g", "--z-factor", "0.3048"}).settings.zFactor, 0.3048);
    EXPECT_EQ(parseBatchOptions({"--grid-folder", "g"}).settings.zFactor, 0);
    for (const char* wrong : {"0", "-1", "inf", "nan", "1e999", "feet", ""})
        EXPECT_EQ(parseBatchOptions({"--grid-folder", "g", "--z-factor", wrong}).usageError,
                  "--z-factor takes a positive number (ground units in one unit of height), not \"" +
                      std::string(wrong) + "\"")
            << wrong;
}

TEST(BatchOptions, ContoursAreShapefilesUnlessAGeoPackageIsAsked) {
    EXPECT_EQ(parseBatchOptions({"--grid-folder", "g"}).settings.contourFormat, ContourFormat::Shapefile);
    EXPECT_EQ(parseBatchOptions({"--grid-folder", "g", "--contour-format", "gpkg"}).settings.contourFormat,
              ContourFormat::GeoPackage);
    EXPECT_EQ(parseBatchOptions({"--grid-folder", "g", "--contour-format", "shp"}).settings.contourFormat,
              ContourFormat::Shapefile);
    EXPECT_EQ(parseBatchOptions({"--grid-folder", "g", "--contour-format", "GPKG"}).usageError,
              "--contour-format takes shp or gpkg, not \"GPKG\"");
}

TEST(BatchOptions, NoArgumentsAskForTheUsage) {
    EXPECT_FALSE(parseBatchOptions({}).usageError.empty());
    EXPECT_NE(batchUsage().find("--grid-folder DIR"), std::string::npos);
}

TEST(BatchOptions, FlagsAndTheLog) {
    const BatchOptions options = parseBatchOptions({"--quiet", "--progress", "--log", "run.log", "--grid-folder", "g"});
    EXPECT_TRUE(options.usageError.empty());
    EXPECT_TRUE(options.quiet);
    EXPECT_TRUE(options.progress);
    EXPECT_EQ(options.logPath, "run.log");
    EXPECT_EQ(options.settings.gridFolder, "g");
}

}  // namespace
}  // namespace kestrune
