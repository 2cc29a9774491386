// The declared question and catalogue records: a new one holds empty texts and empty lists.

#include <gtest/gtest.h>

#include "model/A3Test.h"
#include "model/ATest.h"
#include "model/AppInfo.h"
#include "model/BTest.h"
#include "model/JDTest.h"
#include "model/Node.h"
#include "model/PDTest.h"
#include "model/TKTest.h"
#include "model/XTest.h"

namespace {

TEST(DeclaredRecords, ANewRecordIsEmpty) {
  EXPECT_TRUE(ATest{}.Items.empty() && ATest{}.AID.empty());
  EXPECT_TRUE(PDTest{}.Items.empty() && XTest{}.Items.empty());
  EXPECT_TRUE(JDTest{}.Answer.empty() && TKTest{}.Answer.empty());
  EXPECT_TRUE(A3Test{}.Items.empty() && BTest{}.ChoiseItems.empty() && BTest{}.Items.empty());
  EXPECT_TRUE(Node{}.ParentID.empty() && AppInfo{}.Name.empty());
}

}  // namespace
