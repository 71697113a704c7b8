// Prints the structure tree PDFBox reads from a PDF: one element a line, with
// its role and [alternative text], and the text of its marked content in
// quotes below it. Run as source: java -cp PDFBOX_JARS StructTree.java FILE
import java.io.File;
import java.util.HashMap;
import java.util.Map;
import org.apache.pdfbox.pdmodel.PDDocument;
import org.apache.pdfbox.pdmodel.PDPage;
import org.apache.pdfbox.pdmodel.documentinterchange.logicalstructure.PDStructureElement;
import org.apache.pdfbox.pdmodel.documentinterchange.markedcontent.PDMarkedContent;
import org.apache.pdfbox.text.PDFMarkedContentExtractor;
import org.apache.pdfbox.text.TextPosition;

public class StructTree {
    private static final Map<String, String> texts = new HashMap<>();  // "page index/MCID" to its text

    public static void main(String[] args) throws Exception {
        try (PDDocument doc = PDDocument.load(new File(args[0]))) {
            for (PDPage page : doc.getPages()) {
                PDFMarkedContentExtractor extractor = new PDFMarkedContentExtractor();
                extractor.processPage(page);
                for (PDMarkedContent content : extractor.getMarkedContents()) {
                    StringBuilder text = new StringBuilder();
                    for (Object item : content.getContents()) {
                        if (item instanceof TextPosition) text.append(((TextPosition) item).getUnicode());
                    }
                    texts.put(doc.getPages().indexOf(page) + "/" + content.getMCID(), text.toString());
                }
            }
            for (Object kid : doc.getDocumentCatalog().getStructureTreeRoot().getKids()) {
                print(doc, (PDStructureElement) kid, null, "");
            }
        }
    }

    private static void print(PDDocument doc, PDStructureElement element, PDPage page, String indent) {
        String alt = element.getAlternateDescription();
        System.out.println(indent + element.getStructureType() + (alt == null || alt.isEmpty() ? "" : " [" + alt + "]"));
        page = element.getPage() != null ? element.getPage() : page;
        for (Object kid : element.getKids()) {
            if (kid instanceof PDStructureElement) {
                print(doc, (PDStructureElement) kid, page, indent + "  ");
            } else if (kid instanceof Integer) {
                String key = doc.getPages().indexOf(page) + "/" + kid;
                System.out.println(indent + "  \"" + texts.getOrDefault(key, "") + "\"");
            }
        }
    }
}
