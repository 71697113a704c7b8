#!/usr/bin/python3
# Checks documents against the machine-checkable conditions of PDF/UA-1
# (ISO 14289-1, as the Matterhorn Protocol lists them) with pikepdf (Debian's
# python3-pikepdf), since Debian packages no PDF/UA validator.
#
#   ua_check.py FILE...
#
# Prints "FILE: conforms" or "FILE: fails" for each file, a failing one
# followed by one line per finding, sorted: "  CONDITION: message", with the
# page (counted from 1), the object number and the number of occurrences where
# known. CONDITION is one of content-tagged, marked-content-balanced,
# mcid-roundtrip, annotation-tagged, figure-alt, headings, document, fonts,
# structure-types. Exit status: 0 when every file conforms, 1 when one does
# not, 2 when the check cannot run (a file unreadable or not a PDF).
import sys
import xml.etree.ElementTree as ET
from collections import Counter, defaultdict

import pikepdf
from pikepdf import Array, Dictionary, Name, Stream, String

STANDARD_TYPES = frozenset(
    "Document Part Art Sect Div BlockQuote Caption TOC TOCI Index NonStruct Private "
    "P H H1 H2 H3 H4 H5 H6 L LI Lbl LBody Table TR TH TD THead TBody TFoot "
    "Span Quote Note Reference BibEntry Code Link Annot Ruby RB RT RP Warichu WT WP "
    "Figure Formula Form".split())
# The types that may only appear inside certain others (tables and lists).
ALLOWED_PARENTS = {
    "TH": {"TR"}, "TD": {"TR"}, "TR": {"Table", "THead", "TBody", "TFoot"},
    "THead": {"Table"}, "TBody": {"Table"}, "TFoot": {"Table"},
    "LI": {"L"}, "Lbl": {"LI"}, "LBody": {"LI"},
}
NUMBERED_HEADINGS = {f"H{level}": level for level in range(1, 7)}
DRAWING_OPERATORS = frozenset(["Tj", "TJ", "'", '"', "S", "s", "f", "F", "f*", "B", "B*", "b", "b*",
                               "sh", "Do", "INLINE IMAGE"])
FONT_FILES = ("/FontFile", "/FontFile2", "/FontFile3")
# Simple-font encodings whose glyph names all have a Unicode meaning.
UNICODE_ENCODINGS = {Name.WinAnsiEncoding, Name.MacRomanEncoding, Name.StandardEncoding}
# CID orderings whose predefined CMaps lead to Unicode without a ToUnicode map.
UNICODE_ORDERINGS = {"Japan1", "GB1", "CNS1", "Korea1"}
FLAG_SYMBOLIC, FLAG_NONSYMBOLIC = 4, 32
PDFUA_NS = "http://www.aiim.org/pdfua/ns/id/"
DC_NS = "http://purl.org/dc/elements/1.1/"


class Findings:
    """What a check found: condition, page number, object number, message."""

    def __init__(self):
        self.items = []

    def add(self, condition, message, page=None, obj=None):
        self.items.append((condition, page or 0, object_number(obj), message))

    def lines(self):
        counts = Counter(self.items)
        return [finding_line(item, counts[item]) for item in sorted(counts)]


def finding_line(item, count):
    condition, page, number, message = item
    notes = [f"page {page}"] if page else []
    notes += [f"object {number}"] if number else []
    notes += [f"{count} times"] if count > 1 else []
    return f"  {condition}: {message}" + (f" ({', '.join(notes)})" if notes else "")


def object_number(obj):
    return obj.objgen[0] if isinstance(obj, pikepdf.Object) and obj.is_indirect else 0


def same_object(a, b):
    return (isinstance(a, pikepdf.Object) and isinstance(b, pikepdf.Object)
            and a.is_indirect and b.is_indirect and a.objgen == b.objgen)


def as_list(value):
    if value is None:
        return []
    return list(value) if isinstance(value, Array) else [value]


def has_text(value):
    return isinstance(value, String) and str(value).strip() != ""


def is_integer(value):
    return isinstance(value, int) and not isinstance(value, bool)


def name_text(value):
    return str(value)[1:] if isinstance(value, Name) else None


class Element:
    def __init__(self, obj, kind, parent, page):
        self.obj, self.kind, self.parent, self.page = obj, kind, parent, page
        self.raw = name_text(obj.get("/S"))


class StructTree:
    """The structure tree in document order, with the content items it names."""

    def __init__(self, pdf, findings):
        self.root = pdf.Root.get("/StructTreeRoot")
        if not isinstance(self.root, Dictionary):
            self.root = Dictionary()
        role_map = self.root.get("/RoleMap")
        self.role_map = role_map if isinstance(role_map, Dictionary) else Dictionary()
        self.elements = []
        self.mcid_owners = defaultdict(list)      # (page objgen, MCID) -> elements
        self.stream_mcids = defaultdict(list)     # (stream objgen, MCID) -> elements
        self.streams = {}
        self.unplaced_mcids = []                  # (element, MCID) with no page
        self.findings = findings
        self._walk()
        self.indirect_elements = {e.obj.objgen for e in self.elements if e.obj.is_indirect}

    def resolve(self, type_name):
        seen = set()
        while type_name is not None and type_name not in STANDARD_TYPES:
            if type_name in seen:
                return None
            seen.add(type_name)
            type_name = name_text(self.role_map.get("/" + type_name))
        return type_name

    def _walk(self):
        visited = set()
        stack = [(kid, None, None) for kid in reversed(as_list(self.root.get("/K")))]
        while stack:
            node, parent, page = stack.pop()
            if not isinstance(node, Dictionary):
                self.findings.add("structure-types", "the structure tree holds a non-dictionary element")
                continue
            if node.is_indirect:
                if node.objgen in visited:
                    self.findings.add("structure-types", "structure element is reached twice", obj=node)
                    continue
                visited.add(node.objgen)
            if isinstance(node.get("/Pg"), Dictionary):
                page = node.Pg.objgen
            element = Element(node, self.resolve(name_text(node.get("/S"))), parent, page)
            self.elements.append(element)
            children = [kid for kid in as_list(node.get("/K")) if self._take_kid(element, kid)]
            stack.extend((child, element, page) for child in reversed(children))

    def _take_kid(self, element, kid):
        """Records a content kid; returns True when the kid is a structure element."""
        if is_integer(kid):
            self._add_mcid(element, element.page, kid, None)
        elif isinstance(kid, Dictionary) and kid.get("/Type") == Name.OBJR:
            pass  # annotations are matched to their elements through the parent tree
        elif isinstance(kid, Dictionary) and (kid.get("/Type") == Name.MCR or "/MCID" in kid):
            page = kid.Pg.objgen if isinstance(kid.get("/Pg"), Dictionary) else element.page
            self._add_mcid(element, page, kid.get("/MCID"), kid.get("/Stm"))
        elif isinstance(kid, Dictionary) and "/S" in kid:
            return True
        else:
            self.findings.add("structure-types", "structure element has a kid that is no element, "
                              "MCID, marked-content or object reference", obj=element.obj)
        return False

    def _add_mcid(self, element, page, mcid, stream):
        if not is_integer(mcid):
            self.findings.add("mcid-roundtrip", "marked-content reference without an integer MCID",
                              obj=element.obj)
        elif isinstance(stream, Stream):
            self.streams[stream.objgen] = stream
            self.stream_mcids[stream.objgen, mcid].append(element)
        elif page is None:
            self.unplaced_mcids.append((element, mcid))
        else:
            self.mcid_owners[page, mcid].append(element)


def number_tree(node, seen=None):
    """The entries of a number tree (its /Nums, and its /Kids' entries) as a dict."""
    seen = set() if seen is None else seen
    entries = {}
    if not isinstance(node, Dictionary) or (node.is_indirect and node.objgen in seen):
        return entries
    if node.is_indirect:
        seen.add(node.objgen)
    nums = as_list(node.get("/Nums"))
    for key, value in zip(nums[0::2], nums[1::2]):
        if is_integer(key):
            entries[key] = value
    for kid in as_list(node.get("/Kids")):
        entries.update(number_tree(kid, seen))
    return entries


class ContentScan:
    """What one content stream marks, uses and draws outside marked content."""

    def __init__(self):
        self.mcids = Counter()
        self.fonts = set()
        self.xobjects = set()


def marked_kind(operands, operator, resources):
    """('artifact', None), ('tagged', MCID) or (None, None) for a BMC/BDC."""
    if operands and operands[0] == Name.Artifact:
        return "artifact", None
    if operator == "BDC" and len(operands) > 1:
        properties = operands[1]
        if isinstance(properties, Name):
            named = resources.get("/Properties") if isinstance(resources, Dictionary) else None
            properties = named.get(properties) if isinstance(named, Dictionary) else None
        if isinstance(properties, Dictionary) and is_integer(properties.get("/MCID")):
            return "tagged", properties.MCID
    return None, None


def scan_content(instructions, resources, page, findings):
    scan = ContentScan()
    open_sequences = []
    for instruction in instructions:
        # Operands are read only where needed: converting them costs more than parsing.
        operator = str(instruction.operator)
        if operator in ("BMC", "BDC"):
            kind, mcid = marked_kind(instruction.operands, operator, resources)
            kinds = {k for k, _ in open_sequences}
            outer_mcid = next((m for k, m in open_sequences if k == "tagged"), None)
            if kind == "artifact" and "tagged" in kinds:
                findings.add("content-tagged", f"artifact inside tagged content (MCID {outer_mcid})", page)
            elif kind == "tagged" and "artifact" in kinds:
                findings.add("content-tagged", f"tagged content (MCID {mcid}) inside an artifact", page)
            elif kind == "tagged" and "tagged" in kinds:
                findings.add("content-tagged", f"tagged content (MCID {mcid}) inside tagged content "
                             f"(MCID {outer_mcid})", page)
            if kind == "tagged":
                scan.mcids[mcid] += 1
            open_sequences.append((kind, mcid))
        elif operator == "EMC":
            if open_sequences:
                open_sequences.pop()
            else:
                findings.add("marked-content-balanced", "EMC without an open BMC or BDC", page)
        elif operator in DRAWING_OPERATORS:
            if not any(kind for kind, _ in open_sequences):
                findings.add("content-tagged", f"{operator} outside tagged content and artifacts", page)
            if operator == "Do":
                scan.xobjects.update(o for o in instruction.operands[:1] if isinstance(o, Name))
        elif operator == "Tf":
            scan.fonts.update(o for o in instruction.operands[:1] if isinstance(o, Name))
    if open_sequences:
        findings.add("marked-content-balanced",
                     f"{len(open_sequences)} marked-content sequence(s) left open by the content", page)
    return scan


def parse(source, page, findings):
    try:
        return pikepdf.parse_content_stream(source)
    except pikepdf.PdfError as error:
        findings.add("content-tagged", f"content cannot be parsed: {error}", page)
        return []


def page_resources(page):
    """The page's resources, which it may inherit from the page tree."""
    seen = set()
    while isinstance(page, Dictionary) and page.objgen not in seen:
        if "/Resources" in page:
            return page.Resources
        seen.add(page.objgen)
        page = page.get("/Parent")
    return Dictionary()


class Document:
    """One open file with the facts the checks share."""

    def __init__(self, pdf):
        self.pdf = pdf
        self.findings = Findings()
        self.pages = list(pdf.pages)
        self.page_numbers = {page.obj.objgen: number for number, page in enumerate(self.pages, 1)}
        self.tree = StructTree(pdf, self.findings)
        self.parent_tree = number_tree(self.tree.root.get("/ParentTree"))
        self.resources = [page_resources(page.obj) for page in self.pages]
        self.scans = [scan_content(parse(page, number, self.findings), resources, number, self.findings)
                      for number, (page, resources) in enumerate(zip(self.pages, self.resources), 1)]

    def page_of(self, element):
        return self.page_numbers.get(element.page)


def check_document(doc):
    root, add = doc.pdf.Root, doc.findings.add
    mark_info = root.get("/MarkInfo")
    if not isinstance(mark_info, Dictionary) or mark_info.get("/Marked") is not True:
        add("document", "the catalog's /MarkInfo does not have /Marked true")
    elif mark_info.get("/Suspects") is True:
        add("document", "the catalog's /MarkInfo has /Suspects true")
    if not has_text(root.get("/Lang")):
        add("document", "the catalog has no /Lang")
    preferences = root.get("/ViewerPreferences")
    if not isinstance(preferences, Dictionary) or preferences.get("/DisplayDocTitle") is not True:
        add("document", "/ViewerPreferences does not have /DisplayDocTitle true")
    if not isinstance(root.get("/StructTreeRoot"), Dictionary):
        add("document", "the catalog has no /StructTreeRoot")
    if doc.pdf.is_encrypted and not doc.pdf.allow.accessibility:
        add("document", "the encryption denies assistive technology access to the content")
    check_metadata(root.get("/Metadata"), add)


def check_metadata(metadata, add):
    if not isinstance(metadata, Stream):
        add("document", "the catalog has no XMP metadata")
        return
    try:
        xmp = ET.fromstring(metadata.read_bytes())
    except (ET.ParseError, pikepdf.PdfError) as error:
        add("document", f"the XMP metadata cannot be read: {error}")
        return
    titles = ["".join(title.itertext()).strip() for title in xmp.iter(f"{{{DC_NS}}}title")]
    if not any(titles):
        add("document", "the XMP metadata has no dc:title")
    part = f"{{{PDFUA_NS}}}part"
    parts = [node.text for node in xmp.iter(part)] + [node.get(part) for node in xmp.iter() if part in node.attrib]
    if [value.strip() for value in parts if value] != ["1"]:
        add("document", "the XMP metadata does not have one pdfuaid:part of 1")


def check_structure_types(doc):
    tree, add = doc.tree, doc.findings.add
    for key, target in tree.role_map.items():
        if key[1:] in STANDARD_TYPES:
            add("structure-types", f"standard type {key} is role-mapped to {target}")
    for element in tree.elements:
        page = doc.page_of(element)
        if element.raw is None:
            add("structure-types", "structure element has no type", page, element.obj)
        elif element.kind is None:
            add("structure-types", f"type /{element.raw} is neither standard nor role-mapped to a standard "
                "type", page, element.obj)
        parent_kind = element.parent.kind if element.parent else None
        allowed = ALLOWED_PARENTS.get(element.kind)
        if allowed and parent_kind not in allowed and (element.parent is None or parent_kind):
            add("structure-types", f"{element.kind} inside {parent_kind or 'the structure tree root'}, "
                f"not {' or '.join(sorted(allowed))}", page, element.obj)


def check_figures(doc):
    for element in doc.tree.elements:
        obj = element.obj
        if element.kind == "Figure" and not (has_text(obj.get("/Alt")) or has_text(obj.get("/ActualText"))):
            doc.findings.add("figure-alt", "Figure has no /Alt or /ActualText", doc.page_of(element), obj)


def check_headings(doc):
    add, elements = doc.findings.add, doc.tree.elements
    numbered = [e for e in elements if e.kind in NUMBERED_HEADINGS]
    if numbered and any(e.kind == "H" for e in elements):
        add("headings", "both H and numbered headings (H1 to H6) are used")
    if numbered and numbered[0].kind != "H1":
        add("headings", f"the first numbered heading is {numbered[0].kind}, not H1",
            doc.page_of(numbered[0]), numbered[0].obj)
    for previous, heading in zip(numbered, numbered[1:]):
        if NUMBERED_HEADINGS[heading.kind] > NUMBERED_HEADINGS[previous.kind] + 1:
            add("headings", f"{heading.kind} follows {previous.kind}, skipping a level",
                doc.page_of(heading), heading.obj)
    plain_heading_parents = Counter(id(e.parent) for e in elements if e.kind == "H")
    for element in elements:
        if plain_heading_parents[id(element)] > 1:
            add("headings", "structure element holds more than one H", doc.page_of(element), element.obj)


def check_mcids(doc):
    add, tree = doc.findings.add, doc.tree
    for element, mcid in tree.unplaced_mcids:
        add("mcid-roundtrip", f"MCID {mcid} belongs to no page (no /Pg)", obj=element.obj)
    for (page_key, mcid), owners in tree.mcid_owners.items():
        if page_key not in doc.page_numbers:
            add("mcid-roundtrip", f"MCID {mcid} names a page that is not in the document", obj=owners[0].obj)
        elif mcid not in doc.scans[doc.page_numbers[page_key] - 1].mcids:
            add("mcid-roundtrip", f"MCID {mcid} of a structure element is not in the page's content",
                doc.page_numbers[page_key], owners[0].obj)
    stream_scans = {key: scan_content(parse(stream, None, doc.findings), stream.get("/Resources"), None,
                                      Findings()) for key, stream in tree.streams.items()}
    for (stream_key, mcid), owners in tree.stream_mcids.items():
        if mcid not in stream_scans[stream_key].mcids:
            add("mcid-roundtrip", f"MCID {mcid} of a structure element is not in its stream", obj=owners[0].obj)
    for number, (page, scan) in enumerate(zip(doc.pages, doc.scans), 1):
        check_page_mcids(doc, number, page.obj, scan)
    next_key = tree.root.get("/ParentTreeNextKey")
    if is_integer(next_key) and doc.parent_tree and next_key <= max(doc.parent_tree):
        add("mcid-roundtrip", f"/ParentTreeNextKey {next_key} is not above every parent-tree key "
            f"(largest {max(doc.parent_tree)})")
    check_parent_keys(doc)


def check_page_mcids(doc, number, page, scan):
    add = doc.findings.add
    if not scan.mcids:
        return
    key = page.get("/StructParents")
    entry = doc.parent_tree.get(key) if is_integer(key) else None
    if not is_integer(key):
        add("mcid-roundtrip", "page has tagged content but no /StructParents", number)
    elif not isinstance(entry, Array):
        add("mcid-roundtrip", f"the parent tree has no array for the page's key {key}", number)
    for mcid, uses in sorted(scan.mcids.items()):
        owners = doc.tree.mcid_owners.get((page.objgen, mcid), [])
        if uses > 1:
            add("mcid-roundtrip", f"MCID {mcid} marks {uses} sequences", number)
        if not owners:
            add("mcid-roundtrip", f"MCID {mcid} is in no structure element", number)
        elif len(owners) > 1:
            add("mcid-roundtrip", f"MCID {mcid} is a kid of {len(owners)} structure elements", number)
        elif isinstance(entry, Array) and not (mcid < len(entry) and same_object(entry[mcid], owners[0].obj)):
            add("mcid-roundtrip", f"the parent tree's array {key} does not name MCID {mcid}'s element at "
                f"index {mcid}", number, owners[0].obj)


def check_parent_keys(doc):
    users = defaultdict(list)
    for page in doc.pages:
        users[page.obj.get("/StructParents")].append(page.obj)
        for annotation in as_list(page.obj.get("/Annots")):
            if isinstance(annotation, Dictionary):
                users[annotation.get("/StructParent")].append(annotation)
    for key, objects in users.items():
        if is_integer(key) and len(objects) > 1:
            doc.findings.add("mcid-roundtrip", f"parent-tree key {key} is used by {len(objects)} objects",
                             obj=objects[1])


def expected_annotation_type(subtype):
    return {Name.Link: "Link", Name.Widget: "Form"}.get(subtype, "Annot")


def check_annotations(doc):
    for number, page in enumerate(doc.pages, 1):
        annotations = [a for a in as_list(page.obj.get("/Annots")) if isinstance(a, Dictionary)]
        if annotations and page.obj.get("/Tabs") != Name.S:
            doc.findings.add("annotation-tagged", "page has annotations but not /Tabs /S", number)
        for annotation in annotations:
            if annotation.get("/Subtype") != Name.Popup:
                check_annotation(doc, number, annotation)


def check_annotation(doc, number, annotation):
    add, subtype = doc.findings.add, annotation.get("/Subtype")
    label = f"{subtype} annotation"
    key = annotation.get("/StructParent")
    element = doc.parent_tree.get(key) if is_integer(key) else None
    expected = expected_annotation_type(subtype)
    if not is_integer(key):
        add("annotation-tagged", f"{label} has no /StructParent", number, annotation)
    elif not isinstance(element, Dictionary):
        add("annotation-tagged", f"the parent tree holds no structure element for {label}'s key {key}",
            number, annotation)
    else:
        kind = doc.tree.resolve(name_text(element.get("/S")))
        if kind != expected:
            add("annotation-tagged", f"{label} is tagged {kind or element.get('/S')}, not {expected}",
                number, annotation)
        if element.objgen not in doc.tree.indirect_elements:
            add("annotation-tagged", f"{label}'s structure element is not in the structure tree", number,
                annotation)
        if not any(isinstance(kid, Dictionary) and kid.get("/Type") == Name.OBJR
                   and same_object(kid.get("/Obj"), annotation) for kid in as_list(element.get("/K"))):
            add("annotation-tagged", f"{label}'s structure element has no object reference to it", number,
                annotation)
    described = has_text(annotation.get("/Contents")) or (
        isinstance(element, Dictionary) and has_text(element.get("/Alt")))
    if subtype != Name.Widget and not described:
        add("annotation-tagged", f"{label} has no /Contents", number, annotation)


def used_fonts(doc):
    """Each font that content draws with, and the first page that does."""
    fonts = {}
    seen_forms = set()

    def visit(scan, resources, number):
        resources = resources if isinstance(resources, Dictionary) else Dictionary()
        font_resources, xobjects = resources.get("/Font"), resources.get("/XObject")
        for name in sorted(scan.fonts, key=str):
            font = font_resources.get(name) if isinstance(font_resources, Dictionary) else None
            if not isinstance(font, Dictionary):
                doc.findings.add("fonts", f"font {name} is not in the resources", number)
            else:
                fonts.setdefault(font.objgen if font.is_indirect else id(font), (font, number))
        for name in sorted(scan.xobjects, key=str):
            form = xobjects.get(name) if isinstance(xobjects, Dictionary) else None
            if isinstance(form, Stream) and form.get("/Subtype") == Name.Form and form.objgen not in seen_forms:
                seen_forms.add(form.objgen)
                visit_form(form, resources, number)

    def visit_form(form, inherited, number):
        resources = form.get("/Resources", inherited)
        visit(scan_content(parse(form, number, Findings()), resources, number, Findings()), resources, number)

    for number, (page, scan) in enumerate(zip(doc.pages, doc.scans), 1):
        visit(scan, doc.resources[number - 1], number)
        for annotation in as_list(page.obj.get("/Annots")):
            appearance = annotation.get("/AP") if isinstance(annotation, Dictionary) else None
            normal = appearance.get("/N") if isinstance(appearance, Dictionary) else None
            forms = [normal] if isinstance(normal, Stream) else list(normal.values()) if isinstance(
                normal, Dictionary) else []
            for form in forms:
                if isinstance(form, Stream) and form.objgen not in seen_forms:
                    seen_forms.add(form.objgen)
                    visit_form(form, None, number)
    return list(fonts.values())


def font_descriptor(font):
    if font.get("/Subtype") == Name.Type0:
        descendants = as_list(font.get("/DescendantFonts"))
        font = descendants[0] if descendants and isinstance(descendants[0], Dictionary) else Dictionary()
    descriptor = font.get("/FontDescriptor")
    return descriptor if isinstance(descriptor, Dictionary) else Dictionary()


def maps_to_unicode(font):
    if isinstance(font.get("/ToUnicode"), Stream):
        return True
    if font.get("/Subtype") == Name.Type0:
        descendants = as_list(font.get("/DescendantFonts"))
        info = descendants[0].get("/CIDSystemInfo") if descendants and isinstance(descendants[0],
                                                                                  Dictionary) else None
        ordering = str(info.get("/Ordering", "")) if isinstance(info, Dictionary) else ""
        predefined = isinstance(font.get("/Encoding"), Name) and font.Encoding not in (
            Name("/Identity-H"), Name("/Identity-V"))
        return predefined and ordering in UNICODE_ORDERINGS
    flags = font_descriptor(font).get("/Flags", 0)
    nonsymbolic = is_integer(flags) and flags & FLAG_NONSYMBOLIC and not flags & FLAG_SYMBOLIC
    encoding = font.get("/Encoding")
    return isinstance(encoding, Name) and encoding in UNICODE_ENCODINGS and bool(nonsymbolic)


def check_fonts(doc):
    for font, number in used_fonts(doc):
        label = f"font {font.get('/BaseFont', '(unnamed)')}"
        if font.get("/Subtype") != Name.Type3 and not any(key in font_descriptor(font) for key in FONT_FILES):
            doc.findings.add("fonts", f"{label} is not embedded", number, font)
        if not maps_to_unicode(font):
            doc.findings.add("fonts", f"{label} has no /ToUnicode and no encoding that maps to Unicode",
                             number, font)


CHECKS = {
    "document": check_document,
    "structure-types": check_structure_types,
    "figure-alt": check_figures,
    "headings": check_headings,
    "mcid-roundtrip": check_mcids,
    "annotation-tagged": check_annotations,
    "fonts": check_fonts,
}


def check(pdf):
    """The finding lines for one document, empty when it conforms."""
    try:
        doc = Document(pdf)
    except Exception as error:  # a damaged file is a finding, not a crash
        findings = Findings()
        findings.add("structure-types", f"the structure cannot be read: {error}")
        return findings.lines()
    for condition, run in CHECKS.items():
        try:
            run(doc)
        except Exception as error:  # an unreadable part fails its condition
            doc.findings.add(condition, f"cannot be checked: {type(error).__name__}: {error}")
    return doc.findings.lines()


def main(paths):
    if not paths:
        with open(__file__, encoding="utf-8") as source:
            usage = [line[2:] for line in source.read().splitlines()[1:14]]
        print("\n".join(usage), file=sys.stderr)
        return 2
    documents = []
    for path in paths:
        try:
            documents.append((path, pikepdf.open(path)))
        except (OSError, pikepdf.PdfError, pikepdf.PasswordError) as error:
            print(f"ua_check.py: cannot read {path}: {error}", file=sys.stderr)
            return 2
    all_conform = True
    for path, pdf in documents:
        with pdf:
            lines = check(pdf)
        all_conform = all_conform and not lines
        print(f"{path}: {'fails' if lines else 'conforms'}")
        for line in lines:
            print(line)
    return 0 if all_conform else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
