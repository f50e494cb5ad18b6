// The shape factory's table: extensions in any letter case, the compressed suffixes, the "c#"
// prefix, and the classes each kind creates.
#include <gtest/gtest.h>

#include <memory>

#include <wx/string.h>

#include "view/ShapeFactory.h"
#include "objects/shape3D.h"

namespace {

struct KindCase {
    const char* path;
    ShapeKind kind;
};

class ShapeKindTest : public ::testing::TestWithParam<KindCase> {};

TEST_P(ShapeKindTest, KindOfPath) {
    EXPECT_EQ(ShapeKindForPath(GetParam().path), GetParam().kind) << GetParam().path;
}

INSTANTIATE_TEST_SUITE_P(
    Table, ShapeKindTest,
    ::testing::Values(
        KindCase{"walk.C3D", ShapeKind::Motion}, KindCase{"walk.c3d", ShapeKind::Motion},
        KindCase{"/data/run/walk.Trc", ShapeKind::Motion},
        KindCase{"a.mdf", ShapeKind::Motion}, KindCase{"a.MPC", ShapeKind::Motion},
        KindCase{"a.cme", ShapeKind::Motion}, KindCase{"a.ric", ShapeKind::Motion},
        KindCase{"a.RIF", ShapeKind::Motion}, KindCase{"a.raw", ShapeKind::Motion},
        KindCase{"a.rah", ShapeKind::Motion}, KindCase{"a.trt", ShapeKind::Motion},
        KindCase{"a.txt", ShapeKind::Motion}, KindCase{"a.trb", ShapeKind::Motion},
        KindCase{"a.taf", ShapeKind::Motion},
        // What the TRT, TRX and text writers save opens again.
        KindCase{"a.TRX", ShapeKind::Motion}, KindCase{"a.tr3", ShapeKind::Motion},
        KindCase{"a.tx", ShapeKind::Motion}, KindCase{"a.trace", ShapeKind::Unsupported},
        // Recordings named by their system: the prefix counts exactly, the extension not at all.
        KindCase{"c#0001", ShapeKind::Motion}, KindCase{"/data/c#0001.xyz", ShapeKind::Motion},
        KindCase{"c#0042.dat", ShapeKind::Motion}, KindCase{"c#0042.DAT", ShapeKind::Motion},
        KindCase{"/data/c#7.obj", ShapeKind::Motion}, KindCase{"c#7.dxf.gz", ShapeKind::Motion},
        KindCase{"/data/c#dir/iso.dat", ShapeKind::IsoSurface},
        KindCase{"C#0001", ShapeKind::Unsupported},
        KindCase{"/data/c#dir/walk.xyz", ShapeKind::Unsupported},
        KindCase{"model.OBJ", ShapeKind::ObjModel}, KindCase{"part.3DS", ShapeKind::Mesh3DS},
        KindCase{"iso.dat", ShapeKind::IsoSurface}, KindCase{"man.BVH", ShapeKind::Skeleton},
        KindCase{"site.dxf", ShapeKind::DxfDrawing},
        KindCase{"site.DXF.GZ", ShapeKind::DxfDrawing},
        KindCase{"part.txv.gz", ShapeKind::MeshTXV}, KindCase{"part.TXV", ShapeKind::MeshTXV},
        KindCase{"body.Shl.Gz", ShapeKind::MeshSHL}, KindCase{"body.shl", ShapeKind::MeshSHL},
        // Compressed files are known by their suffix only.
        KindCase{"archive.gz", ShapeKind::Unsupported},
        KindCase{"walk.c3d.gz", ShapeKind::Unsupported},
        KindCase{"notes.doc", ShapeKind::Unsupported}, KindCase{"c3d", ShapeKind::Unsupported},
        KindCase{"", ShapeKind::Unsupported}, KindCase{".gz", ShapeKind::Unsupported},
        // The folder's dots are not the file's extension.
        KindCase{"/data.c3d/readme", ShapeKind::Unsupported}));

TEST(ShapeFactory, EachKindCreatesItsClass) {
    const struct {
        ShapeKind kind;
        const char* typeName;
    } cases[] = {
        {ShapeKind::DxfDrawing, "dxf"}, {ShapeKind::IsoSurface, "iso_surface"},
        {ShapeKind::ObjModel, "glm"},   {ShapeKind::Mesh3DS, "3ds"},
        {ShapeKind::MeshTXV, "tvp"},    {ShapeKind::MeshSHL, "shl"},
        {ShapeKind::Skeleton, "bvh"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typeName);
        std::unique_ptr<shape3D> shape(CreateShape(c.kind));
        ASSERT_NE(shape, nullptr);
        EXPECT_EQ(shape->GetTypeName(), c.typeName);
        EXPECT_FALSE(shape->IsLoaded());
    }
    EXPECT_EQ(CreateShape(ShapeKind::Unsupported), nullptr);
}

}  // namespace
