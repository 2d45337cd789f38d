// Text in shared blocks: pieces of one block stay independent of each other whatever is done
// to one of them, appends grow a text that has its block alone, and a piece outlives the
// writer that made it.
#include "dom/SharedText.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

TEST(SharedText, PiecesOfOneBlockStayApartWhenOneChanges) {
  std::vector<TSharedText> pieces;
  {
    TSharedText::TWriter writer;
    for (const char16_t* text : {u"alpha", u"", u"beta", u"gamma"}) pieces.push_back(writer.Take(text));
  }  // the writer is gone; its block lives on in the pieces
  const TSharedText copy = pieces[0];
  pieces[0].Append(u"!");   // must not write into "beta", which follows it in the block
  pieces[2].Assign(u"B");
  pieces[3].Append(u"");
  EXPECT_EQ(pieces[0].Str(), u"alpha!");
  EXPECT_EQ(copy.Str(), u"alpha");
  EXPECT_EQ(pieces[1].Str(), u"");
  EXPECT_TRUE(pieces[1].empty());
  EXPECT_EQ(pieces[2].Str(), u"B");
  EXPECT_EQ(pieces[3].Str(), u"gamma");
}

TEST(SharedText, AppendsBuildLongTextsAndSharedOnesAreCopiedFirst) {
  struct TCase {
    int Pieces;
    std::size_t PieceLength;
  };
  for (const TCase c : {TCase{1, 1}, TCase{1000, 1}, TCase{300, 5000}, TCase{3, 100000}}) {
    TSharedText text;
    std::u16string expected;
    TSharedText snapshot;
    for (int i = 0; i < c.Pieces; ++i) {
      const std::u16string piece(c.PieceLength, static_cast<char16_t>(u'a' + i % 26));
      text.Append(piece);
      expected += piece;
      if (i == c.Pieces / 2) snapshot = text;  // shares the block from here on
    }
    const std::u16string atSnapshot = snapshot.Str();
    text.ShrinkToFit();
    EXPECT_EQ(text.Str(), expected);
    EXPECT_EQ(text.size(), expected.size());
    EXPECT_EQ(snapshot.Str(), atSnapshot);
    EXPECT_EQ(atSnapshot.size(), c.PieceLength * static_cast<std::size_t>(c.Pieces / 2 + 1));
  }
}

TEST(SharedText, AssigningItsOwnTextAndMovesKeepTheText) {
  TSharedText text(u"self");
  text.Assign(text.View());
  EXPECT_EQ(text.Str(), u"self");
  text = text;
  EXPECT_EQ(text.Str(), u"self");
  TSharedText moved = std::move(text);
  EXPECT_EQ(moved.Str(), u"self");
  EXPECT_TRUE(text.empty());  // NOLINT: a moved-from text is empty by contract
  text = std::move(moved);
  EXPECT_EQ(text.Str(), u"self");
  TSharedText::TWriter writer;
  const std::u16string big(20000, u'x');  // beyond a writer's shared pieces
  const TSharedText own = writer.Take(big);
  EXPECT_EQ(own.Str(), big);
}

}  // namespace
