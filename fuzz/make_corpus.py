#!/usr/bin/env python3
"""Writes the seed corpora in fuzz/corpus/<target>/: a few small valid files of every input kind
and a few broken ones (truncated, out-of-range indices, non-finite numbers), so each fuzzer
starts inside its parser rather than having to discover the format. Run it again after editing;
it rewrites only the files it names."""

import base64
import os
import random
import struct

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus")


def put(target, name, data):
    folder = os.path.join(ROOT, target)
    os.makedirs(folder, exist_ok=True)
    if isinstance(data, str):
        data = data.encode()
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


CUBE_V = [(x, y, z) for x in (0, 1) for y in (0, 1) for z in (0, 1)]
CUBE_F = [(0, 1, 3, 2), (4, 6, 7, 5), (0, 4, 5, 1), (2, 3, 7, 6), (0, 2, 6, 4), (1, 5, 7, 3)]


def obj(vertices, faces, extra=""):
    lines = ["v %g %g %g" % v for v in vertices]
    lines += ["f " + " ".join(str(i + 1) for i in f) for f in faces]
    return extra + "\n".join(lines) + "\n"


def obj_seeds():
    put("fuzz_mesh_obj", "cube_quads.obj", obj(CUBE_V, CUBE_F, "o cube\n"))
    put("fuzz_mesh_obj", "triangle_uv_normal.obj",
        "v 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0 0\nvt 1 0\nvt 0 1\nvn 0 0 1\n"
        "usemtl red\nf 1/1/1 2/2/1 3/3/1\n")
    put("fuzz_mesh_obj", "two_objects_ngon.obj",
        "o a\nv 0 0 0\nv 2 0 0\nv 3 1 0\nv 1 2 0\nv -1 1 0\nf 1 2 3 4 5\n"
        "o b\nv 0 0 1\nv 1 0 1\nv 0 1 1\nf -3 -2 -1\n")
    put("fuzz_mesh_obj", "texture_missing.obj",
        "mtllib missing.mtl\nusemtl m\nv 0 0 0\nv 1 0 0\nv 1 1 0\nvt 0 0\nvt 1 0\nvt 1 1\n"
        "f 1/1 2/2 3/3\n")
    put("fuzz_mesh_obj", "index_out_of_range.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 9\n")
    put("fuzz_mesh_obj", "nan_coordinate.obj", "v nan 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n")
    put("fuzz_mesh_obj", "repeated_corner.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 1 2 3\n")
    put("fuzz_mesh_obj", "lines_only.obj", "v 0 0 0\nv 1 0 0\nl 1 2\n")


def ply_seeds():
    header = ("ply\nformat %s 1.0\nelement vertex %d\nproperty float x\nproperty float y\n"
              "property float z\nelement face %d\nproperty list uchar int vertex_indices\n"
              "end_header\n")
    text = header % ("ascii", 8, 6)
    text += "".join("%g %g %g\n" % v for v in CUBE_V)
    text += "".join("4 %d %d %d %d\n" % f for f in CUBE_F)
    put("fuzz_mesh_ply", "cube_ascii.ply", text)
    binary = (header % ("binary_little_endian", 8, 6)).encode()
    binary += b"".join(struct.pack("<3f", *v) for v in CUBE_V)
    binary += b"".join(struct.pack("<B4i", 4, *f) for f in CUBE_F)
    put("fuzz_mesh_ply", "cube_binary.ply", binary)
    put("fuzz_mesh_ply", "truncated_binary.ply", binary[: len(binary) - 30])
    bad = header % ("ascii", 3, 1) + "0 0 0\n1 0 0\n0 1 0\n3 0 1 7\n"
    put("fuzz_mesh_ply", "index_out_of_range.ply", bad)


def stl_seeds():
    facets = [((0, 0, 1), [(0, 0, 0), (1, 0, 0), (0, 1, 0)]),
              ((0, 0, 1), [(1, 0, 0), (1, 1, 0), (0, 1, 0)])]
    text = "solid square\n"
    for n, tri in facets:
        text += " facet normal %g %g %g\n  outer loop\n" % n
        text += "".join("   vertex %g %g %g\n" % v for v in tri)
        text += "  endloop\n endfacet\n"
    text += "endsolid square\n"
    put("fuzz_mesh_stl", "square_ascii.stl", text)
    binary = b"binary square".ljust(80, b" ") + struct.pack("<I", len(facets))
    for n, tri in facets:
        binary += struct.pack("<3f", *n) + b"".join(struct.pack("<3f", *v) for v in tri)
        binary += struct.pack("<H", 0)
    put("fuzz_mesh_stl", "square_binary.stl", binary)
    put("fuzz_mesh_stl", "count_too_large.stl", binary[:80] + struct.pack("<I", 1000) + binary[84:])
    put("fuzz_mesh_stl", "nan_binary.stl", binary[:84] + struct.pack("<3f", 0, 0, 1) +
        struct.pack("<3f", float("nan"), 0, 0) + binary[84 + 24:])


def off_seeds():
    text = "OFF\n8 6 0\n" + "".join("%g %g %g\n" % v for v in CUBE_V)
    text += "".join("4 %d %d %d %d\n" % f for f in CUBE_F)
    put("fuzz_mesh_off", "cube.off", text)
    put("fuzz_mesh_off", "triangle.off", "OFF\n3 1 0\n0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n")
    put("fuzz_mesh_off", "index_out_of_range.off", "OFF\n3 1 0\n0 0 0\n1 0 0\n0 1 0\n3 0 1 5\n")
    put("fuzz_mesh_off", "counts_too_large.off", "OFF\n300000 1 0\n0 0 0\n3 0 1 2\n")


def gltf(positions, indices, mode=4, extra_node=""):
    data = b"".join(struct.pack("<3f", *p) for p in positions)
    index_offset = len(data)
    data += b"".join(struct.pack("<H", i) for i in indices)
    data += b"\0" * (-len(data) % 4)
    uri = "data:application/octet-stream;base64," + base64.b64encode(data).decode()
    lo = [min(p[k] for p in positions) for k in range(3)]
    hi = [max(p[k] for p in positions) for k in range(3)]
    return ('{"asset":{"version":"2.0"},"scene":0,"scenes":[{"nodes":[0]}],'
            '"nodes":[{"name":"quad","mesh":0%s}],'
            '"meshes":[{"primitives":[{"attributes":{"POSITION":0},"indices":1,"mode":%d}]}],'
            '"buffers":[{"byteLength":%d,"uri":"%s"}],'
            '"bufferViews":[{"buffer":0,"byteOffset":0,"byteLength":%d},'
            '{"buffer":0,"byteOffset":%d,"byteLength":%d}],'
            '"accessors":[{"bufferView":0,"componentType":5126,"count":%d,"type":"VEC3",'
            '"min":%s,"max":%s},'
            '{"bufferView":1,"componentType":5123,"count":%d,"type":"SCALAR"}]}\n'
            % (extra_node, mode, len(data), uri, index_offset, index_offset, 2 * len(indices),
               len(positions), lo, hi, len(indices)))


def gltf_seeds():
    quad = [(0, 0, 0), (1, 0, 0), (1, 1, 0), (0, 1, 0)]
    put("fuzz_mesh_gltf", "quad.gltf", gltf(quad, [0, 1, 2, 0, 2, 3]))
    put("fuzz_mesh_gltf", "quad_moved.gltf",
        gltf(quad, [0, 1, 2, 0, 2, 3], extra_node=',"translation":[1,2,3],"scale":[2,2,2]'))
    put("fuzz_mesh_gltf", "index_out_of_range.gltf", gltf(quad, [0, 1, 2, 0, 2, 9]))
    put("fuzz_mesh_gltf", "points.gltf", gltf(quad, [0, 1, 2, 3], mode=0))
    put("fuzz_mesh_gltf", "missing_buffer.gltf",
        gltf(quad, [0, 1, 2]).replace('"uri":"data:', '"uri":"missing.bin#'))
    put("fuzz_mesh_gltf", "not_json.gltf", '{"asset":{"version":"2.0"},"meshes":[{')
    # Strips and line strips, one too short for a face (Assimp made 2^64 - 1 faces of it), and
    # files that are not glTF, which must not reach the other formats' readers.
    put("fuzz_mesh_gltf", "strip.gltf", gltf(quad, [0, 1, 3, 2], mode=5))
    put("fuzz_mesh_gltf", "strip_one_index.gltf", gltf(quad, [0], mode=5))
    put("fuzz_mesh_gltf", "line_strip_one_index.gltf", gltf(quad, [0], mode=3))
    put("fuzz_mesh_gltf", "json_not_gltf.gltf", '{"asset":{"version":"9.0"},"meshes":[]}\n')
    put("fuzz_mesh_gltf", "obj_text.gltf", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n")


def glb(positions, indices, mode=4):
    """The same quad as gltf(), as one binary GLB file: JSON chunk, then the buffer as BIN."""
    data = b"".join(struct.pack("<3f", *p) for p in positions)
    index_offset = len(data)
    data += b"".join(struct.pack("<H", i) for i in indices)
    data += b"\0" * (-len(data) % 4)
    text = gltf(positions, indices, mode)
    start = text.index('"uri":"')
    text = text[:start - 1] + text[text.index('"', start + 7) + 1:]
    text = text.strip().encode()
    text += b" " * (-len(text) % 4)
    body = struct.pack("<I", len(text)) + b"JSON" + text + struct.pack("<I", len(data)) + b"BIN\0" + data
    return b"glTF" + struct.pack("<II", 2, 12 + len(body)) + body


def glb_seeds():
    quad = [(0, 0, 0), (1, 0, 0), (1, 1, 0), (0, 1, 0)]
    good = glb(quad, [0, 1, 2, 0, 2, 3])
    put("fuzz_mesh_glb", "quad.glb", good)
    put("fuzz_mesh_glb", "index_out_of_range.glb", glb(quad, [0, 1, 2, 0, 2, 9]))
    put("fuzz_mesh_glb", "strip.glb", glb(quad, [0, 1, 3, 2], mode=5))
    put("fuzz_mesh_glb", "truncated.glb", good[: len(good) - 10])
    put("fuzz_mesh_glb", "length_too_large.glb", good[:8] + struct.pack("<I", 1 << 30) + good[12:])


FBX_TILE = """; FBX 7.4.0 project file
FBXHeaderExtension:  {
\tFBXHeaderVersion: 1003
\tFBXVersion: 7400
}
Objects:  {
\tGeometry: 100, "Geometry::tile", "Mesh" {
\t\tVertices: *15 {
\t\t\ta: 0,0,0,1,0,0,1,1,0,0,1,0,2,0,0
\t\t}
\t\tPolygonVertexIndex: *7 {
\t\t\ta: 0,1,2,-4,1,4,-3
\t\t}
\t\tGeometryVersion: 124
\t\tLayerElementUV: 0 {
\t\t\tVersion: 101
\t\t\tName: "UVMap"
\t\t\tMappingInformationType: "ByPolygonVertex"
\t\t\tReferenceInformationType: "IndexToDirect"
\t\t\tUV: *8 {
\t\t\t\ta: 0,0,1,0,1,1,0,1
\t\t\t}
\t\t\tUVIndex: *7 {
\t\t\t\ta: 0,1,2,3,0,1,2
\t\t\t}
\t\t}
\t\tLayer: 0 {
\t\t\tVersion: 100
\t\t\tLayerElement:  {
\t\t\t\tType: "LayerElementUV"
\t\t\t\tTypedIndex: 0
\t\t\t}
\t\t}
\t}
\tModel: 200, "Model::tile", "Mesh" {
\t\tVersion: 232
\t\tProperties70:  {
\t\t\tP: "Lcl Translation", "Lcl Translation", "", "A",3,0,0
\t\t}
\t}
}
Connections:  {
\tC: "OO",100,200
\tC: "OO",200,0
}
"""


def fbx_seeds():
    # ASCII FBX 7.4: a quad and a triangle with texture coordinates, one model moved along x.
    put("fuzz_mesh_fbx", "tile.fbx", FBX_TILE)
    put("fuzz_mesh_fbx", "index_out_of_range.fbx", FBX_TILE.replace("1,4,-3", "1,9,-3"))
    put("fuzz_mesh_fbx", "count_too_large.fbx", FBX_TILE.replace("Vertices: *15", "Vertices: *999"))
    put("fuzz_mesh_fbx", "truncated.fbx", FBX_TILE[: FBX_TILE.index("Connections")])


def bmp(width, height, bits, rows, palette=b"", top_down=False):
    """rows: raw row bytes, bottom row first (top row first when top_down), unpadded."""
    stride = (width * bits + 31) // 32 * 4
    pixels = b"".join(r.ljust(stride, b"\0") for r in rows)
    offset = 54 + len(palette)
    header = b"BM" + struct.pack("<IHHI", offset + len(pixels), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, width, -height if top_down else height, 1, bits, 0,
                       len(pixels), 2835, 2835, len(palette) // 4, 0)
    return header + info + palette + pixels


def bmp_seeds():
    put("fuzz_bmp", "rgb24_2x2.bmp", bmp(2, 2, 24, [b"\0\0\xff\0\xff\0", b"\xff\0\0\xff\xff\xff"]))
    put("fuzz_bmp", "rgb32_top_down.bmp",
        bmp(2, 2, 32, [b"\1\2\3\4\5\6\7\x08", b"\x09\x0a\x0b\x0c\x0d\x0e\x0f\x10"], top_down=True))
    palette = b"\0\0\0\0\xff\xff\xff\0\0\0\xff\0\0\xff\0\0"
    put("fuzz_bmp", "palette8_3x2.bmp", bmp(3, 2, 8, [b"\0\1\2", b"\3\2\1"], palette))
    put("fuzz_bmp", "palette4_5x1.bmp", bmp(5, 1, 4, [b"\x01\x23\x30"], palette))
    put("fuzz_bmp", "palette1_9x2.bmp", bmp(9, 2, 1, [b"\xaa\x80", b"\x55\x00"], palette[:8]))
    put("fuzz_bmp", "palette_index_too_large.bmp", bmp(2, 1, 8, [b"\0\x09"], palette))
    put("fuzz_bmp", "truncated.bmp", bmp(4, 4, 24, [b"\x80" * 12] * 4)[:70])
    put("fuzz_bmp", "rle8_unsupported.bmp",
        bmp(2, 2, 8, [b"\0\1", b"\1\0"], palette)[:30] + struct.pack("<I", 1) +
        bmp(2, 2, 8, [b"\0\1", b"\1\0"], palette)[34:])


def settings_seeds():
    put("fuzz_settings", "plain.ini",
        "[Peelwise]\nFactor=4\nSize=1024\nLast%20folder=/home/user/meshes\n\n[General]\nName=x\n")
    put("fuzz_settings", "escaped.ini",
        "[a%2Fb]\nc%5Cd=\"quoted, value\"\nlist=one, two, three\nkey\\with\\backslash=1\n"
        "bytes=@ByteArray(\\x1\\0abc)\nvariant=@Variant(\\0\\0\\0\\x7f\\0\\0\\0\\x12)\n")
    put("fuzz_settings", "broken.ini", "[unclosed\n=no key\nkey\nnoequals\n[]\n==\n\"open=\n")
    put("fuzz_settings", "unicode.ini", "[Sección]\nclé=välue \\u00e9 \\x263a\n")


def atlas_seeds():
    # FuzzAtlas reads its bytes through FuzzedDataProvider; random bytes of a few sizes give it
    # varied meshes of both kinds (well-formed and arbitrary) to start from.
    rng = random.Random(20261206)
    for size in (64, 200, 500, 1200, 3000):
        put("fuzz_atlas", "random_%d.bin" % size, bytes(rng.randrange(256) for _ in range(size)))


def command_line_seeds():
    """Arguments separated by NUL bytes, run in a folder holding in.obj (which uses in.mtl and
    tex.bmp), a FIFO pipe.obj and the folders sub/ and taken.obj/."""
    def args(*words):
        return "\0".join(words)
    put("fuzz_command_line", "plain.args", args("in.obj", "out.obj"))
    put("fuzz_command_line", "texture.args",
        args("in.obj", "sub/out.gltf", "--texture", "t.bmp", "--size", "256"))
    put("fuzz_command_line", "over_input.args", args("in.obj", "in.obj"))
    put("fuzz_command_line", "over_library.args", args("in.obj", "in.obj.obj", "--force"))
    put("fuzz_command_line", "over_mtl.args", args("in.obj", "./in.obj"))
    put("fuzz_command_line", "fifo.args", args("in.obj", "pipe.obj"))
    put("fuzz_command_line", "folder.args", args("in.obj", "taken.obj", "--shared-atlas"))
    put("fuzz_command_line", "texture_over_input.args",
        args("in.obj", "out.obj", "--texture", "tex.bmp", "--factor-type", "charts",
             "--factor", "7"))
    put("fuzz_command_line", "bad_numbers.args",
        args("in.obj", "out.glb", "--width", "63", "--height", "99999", "--factor", "-1"))
    put("fuzz_command_line", "unsupported.args", args("in.obj", "out.xyz", "--json"))
    put("fuzz_command_line", "control.args", args("in\x1b[2J.obj", "o\nut.obj", "--progress"))


if __name__ == "__main__":
    obj_seeds()
    ply_seeds()
    stl_seeds()
    off_seeds()
    gltf_seeds()
    glb_seeds()
    fbx_seeds()
    bmp_seeds()
    settings_seeds()
    atlas_seeds()
    command_line_seeds()
