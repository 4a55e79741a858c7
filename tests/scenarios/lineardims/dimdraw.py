"""Drawings of linear dimensions for the dimension-tool scenarios and
benchmarks, written as a CAD program writes them.

A CAD program writes a rotated or aligned DIMENSION with its definition
point (10) at the foot of the second extension line (the one through 14),
the subclass markers "AcDbAlignedDimension" (both kinds) and
"AcDbRotatedDimension" (rotated ones, with the rotation 50), no text
override unless the user gave one, the per-dimension variables as "ACAD"
"DSTYLE" extended data, and an anonymous "*D" block holding the pieces it
drew. ezdxf makes the document and renders the blocks; `Drawing` then puts
point 10 where a CAD program has it (unless asked for ezdxf's own placing,
at the foot of the first extension line, which vdhost moves on loading) and
gives each dimension the handle its scenario picks it by.

    from dimdraw import Drawing
    d = Drawing()
    d.rotated("A1", (0, 0), (100, 0), line=(0, 20))            # horizontal, its line at y = 20
    d.aligned("A2", (0, 0), (30, 40), distance=10, text="50")   # along 13 -> 14, 10 to the left
    d.ucs((0, 0), 30)                                           # the drawing's UCS turned by 30 degrees
    d.save("row.dxf")

Handles are hexadecimal texts the caller chooses, each unique and from
"A00" up to "FFFFF" (below lie the document's tables, above the entities
and blocks ezdxf makes); dimensions given None as handle keep the one ezdxf
gave them. The header asks for 2
decimals, '.' as decimal separator and no zero suppression, so that texts
in pictures and checks read as plain numbers; the current dimension style
is "VD" (text and arrows 2.5, text above the line).
"""
import math

import ezdxf

STYLE = "VD"
LOWEST_GIVEN_HANDLE = 0xA00
FIRST_OWN_HANDLE = 0x100000


# The text a dimension's block shows: its override, or the measurement.
def shown(text):
    return "<>" if text is None else text


class Drawing:
    def __init__(self, *, dimdec=2, dimexo=0.625, dimscale=1.0):
        doc = ezdxf.new("R2000", setup=True)
        doc.header["$DIMDEC"] = dimdec
        doc.header["$DIMZIN"] = 0
        doc.header["$DIMDSEP"] = ord(".")
        doc.header["$DIMEXO"] = dimexo
        doc.header["$DIMSCALE"] = dimscale
        doc.dimstyles.new(STYLE, dxfattribs={
            "dimtxt": 2.5, "dimasz": 2.5, "dimexo": dimexo, "dimexe": 1.25, "dimgap": 0.625, "dimtad": 1,
            "dimdec": dimdec, "dimzin": 0, "dimdsep": ord("."), "dimadec": 0, "dimscale": dimscale,
            "dimtih": 0, "dimtoh": 0})
        doc.header["$DIMSTYLE"] = STYLE
        # Everything made from here on gets a handle above the caller's.
        doc.entitydb.handles.reset("%X" % FIRST_OWN_HANDLE)
        self.doc = doc
        self.msp = doc.modelspace()
        self._named = []  # (handle, entity)

    # A rotated dimension measuring p1 -> p2 along the direction `angle`
    # (degrees), its dimension line through `line`.
    def rotated(self, handle, p1, p2, *, line, angle=0.0, text=None, overrides=None, layer="0", color=256):
        d = self.msp.add_linear_dim(base=line, p1=p1, p2=p2, angle=angle, text=shown(text), dimstyle=STYLE,
                                    override=overrides, dxfattribs={"layer": layer, "color": color})
        return self._finish(d, handle, text, p2)

    # An aligned dimension measuring p1 -> p2 along their direction, its line
    # `distance` to the left of p1 -> p2 (negative: to the right).
    def aligned(self, handle, p1, p2, *, distance, text=None, overrides=None, layer="0", color=256):
        d = self.msp.add_aligned_dim(p1=p1, p2=p2, distance=distance, text=shown(text), dimstyle=STYLE,
                                     override=overrides, dxfattribs={"layer": layer, "color": color})
        dim = self._finish(d, handle, text, p2)
        # ezdxf keeps the rotated type for aligned dimensions: a CAD program writes type 1.
        dim.dxf.dimtype = 1 | 32
        return dim

    # Any other entity of the drawing (a line the scenarios must leave alone).
    def line(self, handle, p1, p2):
        e = self.msp.add_line(p1, p2)
        self._named.append((handle, e))
        return e

    # The drawing's user coordinate system: origin and X axis turned by
    # `angle` degrees about world Z.
    def ucs(self, origin, angle):
        a = math.radians(angle)
        self.doc.header["$UCSORG"] = (origin[0], origin[1], 0)
        self.doc.header["$UCSXDIR"] = (math.cos(a), math.sin(a), 0)
        self.doc.header["$UCSYDIR"] = (-math.sin(a), math.cos(a), 0)

    def save(self, path, *, cad_points=True):
        if cad_points:
            for dim, foot in self._feet:
                dim.dxf.defpoint = foot
        self._relabel()
        self.doc.saveas(path)

    _feet = None

    def _finish(self, override, handle, text, p2):
        override.render()
        dim = override.dimension
        # The foot of the second extension line: p2 moved along the extension
        # line onto the dimension line (ezdxf's point 10 lies on that line).
        q = dim.dxf.defpoint
        if dim.dxf.hasattr("angle"):
            a = math.radians(dim.dxf.angle)
            u = (math.cos(a), math.sin(a))
        else:
            p1 = dim.dxf.defpoint2
            length = math.hypot(p2[0] - p1[0], p2[1] - p1[1])
            u = ((p2[0] - p1[0]) / length, (p2[1] - p1[1]) / length)
        t = (p2[0] - q[0]) * u[0] + (p2[1] - q[1]) * u[1]
        foot = (q[0] + t * u[0], q[1] + t * u[1], 0.0)
        if self._feet is None:
            self._feet = []
        self._feet.append((dim, foot))
        if text is None:
            dim.dxf.discard("text")
        else:
            dim.dxf.text = text
        if handle is not None:
            self._named.append((handle, dim))
        return dim

    def _relabel(self):
        db = self.doc.entitydb
        wanted = {h.upper() for h, _ in self._named}
        if len(wanted) != len(self._named):
            raise ValueError("dimdraw: a handle is given twice")
        for handle, entity in self._named:
            if not LOWEST_GIVEN_HANDLE <= int(handle, 16) < FIRST_OWN_HANDLE:
                raise ValueError(f"dimdraw: handle {handle} is outside A00 to FFFFF")
            del db[entity.dxf.handle]
            entity.dxf.handle = handle.upper()
            db[handle.upper()] = entity
