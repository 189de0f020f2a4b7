// Help documents in the shapes that word processors write, loaded through
// the help loader into the help window's field: the text expected here is
// what the RTF rules give for each document, written out by hand.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/application.h"
#include "framework/runtime.h"
#include "framework/screen.h"
#include "rtf/RtfEditField.h"
#include "rtf/RtfFont.h"
#include "rtf/RtfParser.h"
#include "support/test_support.h"
#include "tests/rtf/HelpFixture.h"
#include "tests/rtf/RtfTestSupport.h"
#include "ui/HelpLoader.h"
#include "ui/HelpWindow.h"

namespace {

// A TextEdit document: flat font table, Cocoa words, a starred colour
// table, lines ended by a backslash and a line feed, \uc0 escapes.
const char kTextEdit[] = R"rtf({\rtf1\ansi\ansicpg1252\cocoartf2709
\cocoatextscaling0\cocoaplatform0{\fonttbl\f0\fswiss\fcharset0 Helvetica;\f1\fswiss\fcharset0 Helvetica-Bold;\f2\fnil\fcharset0 Menlo-Regular;}
{\colortbl;\red255\green255\blue255;\red180\green0\blue0;}
{\*\expandedcolortbl;;\cssrgb\c75000\c0\c0;}
\paperw11900\paperh16840\margl1440\margr1440\vieww11520\viewh8400\viewkind0
\pard\tx566\tx1133\tx1700\tx2267\pardirnatural\qc\partightenfactor0

\f1\b\fs36 \cf0 Skerrow Help\
\pard\tx566\tx1133\tx1700\tx2267\pardirnatural\partightenfactor0

\f0\b0\fs24 \cf0 Names such as \'93
\f2 IMG_0001.jpg
\f0 \'94 are found \uc0\u8776  at once; the letters \uc0\u960 \u937  mean nothing here.\
\cf2 Note:\cf0  keep the disk at 20\'b0C \'b1 2\'b0.\
})rtf";

// A Word document: panose groups in the font table, a style sheet with a
// German style name and starred character styles, bookmarks, a hyperlink
// and a page number field, a picture with its non-picture alternative,
// theme data.
const char kWord[] = R"rtf({\rtf1\adeflang1025\ansi\ansicpg1252\uc1\adeff31507\deff0\stshfdbch31505\stshfloch31506\stshfhich31506\stshfbi31507\deflang1033\deflangfe1033\themelang1033\themelangfe0\themelangcs0{\fonttbl{\f0\fbidi \froman\fcharset0\fprq2{\*\panose 02020603050405020304}Times New Roman;}
{\f1\fbidi \fswiss\fcharset0\fprq2{\*\panose 020b0604020202020204}Arial;}
{\f31506\fbidi \fswiss\fcharset0\fprq2{\*\panose 020f0502020204030204}Calibri;}}
{\colortbl;\red0\green0\blue0;\red0\green0\blue255;\red5\green99\blue193;}
{\*\defchp \f31506\fs22 }{\*\defpap \ql \li0\ri0\sa160\sl259\slmult1\widctlpar\wrapdefault\aspalpha\aspnum\faauto\adjustright\rin0\lin0\itap0 }\noqfpromote 
{\stylesheet{\ql \li0\ri0\sa160\sl259\slmult1\widctlpar\wrapdefault\aspalpha\aspnum\faauto\adjustright\rin0\lin0\itap0 \rtlch\fcs1 \af31507\afs22\alang1025 \ltrch\fcs0 \f31506\fs22\lang1033\langfe1033\cgrid\langnp1033\langfenp1033 \snext0 \sqformat \spriority0 Normal;}
{\s1\ql \li0\ri0\sb240\sl259\slmult1\keep\keepn\widctlpar\wrapdefault\aspalpha\aspnum\faauto\outlinelevel0\adjustright\rin0\lin0\itap0 \rtlch\fcs1 \af31503\afs32\alang1025 \ltrch\fcs0 \b\fs32\cf3\lang1033\langfe1033\cgrid\langnp1033\langfenp1033 \sbasedon0 \snext0 \slink15 \sqformat \spriority9 \styrsid4 \'dcberschrift 1;}
{\*\cs10 \additive \ssemihidden \sunhideused \spriority1 Default Paragraph Font;}
{\*\cs15 \additive \rtlch\fcs1 \ab\af31503\afs32 \ltrch\fcs0 \b\fs32\cf3 \sbasedon10 \slink1 \slocked \spriority9 \'dcberschrift 1 Zchn;}
{\*\cs16 \additive \rtlch\fcs1 \af0 \ltrch\fcs0 \ul\cf2 \sbasedon10 \sunhideused \styrsid4 Hyperlink;}}
{\*\rsidtbl \rsid4\rsid5}{\mmathPr\mmathFont34\mbrkBin0\mbrkBinSub0}
{\info{\title Skerrow}{\author A. Writer}{\creatim\yr2024\mo5\dy6\hr7\min8}{\version1}{\nofpages1}}
{\*\xmlnstbl {\xmlns1 http://schemas.microsoft.com/office/word/2003/wordml}}
\paperw12240\paperh15840\margl1440\margr1440\margt1440\margb1440\gutter0\ltrsect 
\widowctrl\ftnbj\aenddoc\trackmoves0\trackformatting1\donotembedsysfont1\relyonvml0\donotembedlingdata0
\jexpand\viewkind1\viewscale100\pgbrdrhead\pgbrdrfoot\splytwnine\ftnlytwnine\htmautsp\nolnhtadjtbl\useltbaln\alntblind
{\*\wgrffmtfilter 2450}\nofeaturethrottle1\ilfomacatclnup0\ltrpar \sectd \ltrsect\linex0\endnhere\sectlinegrid360\sectdefaultcl\sftnbj 
{\*\pnseclvl1\pnucrm\pnstart1\pnindent720\pnhang {\pntxta .}}
\pard\plain \ltrpar\s1\ql \li0\ri0\sb240\sl259\slmult1\keep\keepn\widctlpar\wrapdefault\aspalpha\aspnum\faauto\outlinelevel0\adjustright\rin0\lin0\itap0\pararsid4 \rtlch\fcs1 \af31503\afs32\alang1025 \ltrch\fcs0 \b\fs32\cf3\lang1033\langfe1033\cgrid\langnp1033\langfenp1033 {\*\bkmkstart intro}{\rtlch\fcs1 \af31503 \ltrch\fcs0 \insrsid4 Introduction}{\*\bkmkend intro}{\rtlch\fcs1 \af31503 \ltrch\fcs0 \insrsid4 \par }
\pard\plain \ltrpar\ql \li0\ri0\sa160\sl259\slmult1\widctlpar\wrapdefault\aspalpha\aspnum\faauto\adjustright\rin0\lin0\itap0\pararsid4 \rtlch\fcs1 \af31507\afs22\alang1025 \ltrch\fcs0 \f31506\fs22\lang1033\langfe1033\cgrid\langnp1033\langfenp1033 {\rtlch\fcs1 \af31507 \ltrch\fcs0 \insrsid4 Read the guide at }{\field\fldedit{\*\fldinst {\rtlch\fcs1 \af31507 \ltrch\fcs0 \insrsid4  HYPERLINK "https://example.com/guide" }{\rtlch\fcs1 \af31507 \ltrch\fcs0 \insrsid4 {\*\datafield 00d0c9ea79f9bace118c8200aa004ba90b0200000017000000}}}{\fldrslt {\rtlch\fcs1 \af31507 \ltrch\fcs0 \cs16\ul\cf2\insrsid4 example.com}}}\sectd \ltrsect\linex0\endnhere\sectlinegrid360\sectdefaultcl\sftnbj {\rtlch\fcs1 \af31507 \ltrch\fcs0 \insrsid4 , page }{\field{\*\fldinst {\rtlch\fcs1 \af31507 \ltrch\fcs0 \insrsid4  PAGE }}{\fldrslt {\rtlch\fcs1 \af31507 \ltrch\fcs0 \lang1024\langfe1024\noproof\insrsid4 1}}}{\rtlch\fcs1 \af31507 \ltrch\fcs0 \insrsid4 .\par }
{\rtlch\fcs1 \af31507 \ltrch\fcs0 \b\insrsid4 Tip:{\*\bkmkend tip}}{\rtlch\fcs1 \af31507 \ltrch\fcs0 \insrsid4  Skerrow\~2 finds a file\rquote s copies \endash  quickly.}{\rtlch\fcs1 \af31507 \ltrch\fcs0 \insrsid4 {\*\shppict{\pict{\*\picprop\shplid1025{\sp{\sn shapeType}{\sv 75}}{\sp{\sn fLayoutInCell}{\sv 1}}}\picscalex100\picscaley100\piccropl0\piccropr0\piccropt0\piccropb0\picw265\pich265\picwgoal150\pichgoal150\pngblip\bliptag255{\*\blipuid 0123456789abcdef0123456789abcdef}89504e470d0a1a0a0000000d4948445200000010}}{\nonshppict{\pict\picscalex100\picscaley100\piccropl0\piccropr0\piccropt0\piccropb0\picw265\pich265\picwgoal150\pichgoal150\pngblip\bliptag255 89504e470d0a1a0a0000000d4948445200000010}}}{\rtlch\fcs1 \af31507 \ltrch\fcs0 \insrsid4 \par }
\pard\plain \ltrpar\s1\qc \li0\ri0\sb240\keep\keepn\widctlpar\outlinelevel0\itap0\pararsid4 {\rtlch\fcs1 \af31503 \ltrch\fcs0 \insrsid4 The end\par }
{\*\themedata 504b030414000600080000002100e9de0fbfff0000001c020000130000005b436f6e74656e745f54797065735d2e786d6c}
{\*\colorschememapping 3c3f786d6c2076657273696f6e3d22312e30}
{\*\datastore 01050000020000001800000057006f00720064002e0044006f00630075006d0065006e0074002e0038000000}})rtf";

// A LibreOffice document: alternative names in the font table, a default
// font, style names with Unicode escapes, \'xx fallbacks after \u.
const char kLibreOffice[] = R"rtf({\rtf1\ansi\deff4\adeflang1025
{\fonttbl{\f0\froman\fprq2\fcharset0 Times New Roman;}{\f1\froman\fprq2\fcharset2 Symbol;}{\f2\fswiss\fprq2\fcharset0 Arial;}{\f3\froman\fprq2\fcharset0 Liberation Serif{\*\falt Times New Roman};}{\f4\fswiss\fprq2\fcharset0 Liberation Sans{\*\falt Arial};}{\f5\fnil\fprq2\fcharset0 Noto Sans CJK SC;}}
{\colortbl;\red0\green0\blue0;\red128\green128\blue128;}
{\stylesheet{\s0\snext0\dbch\af5\langfe2052\dbch\af6\afs24\alang1081\loch\f3\hich\af3\fs24\lang2057 Normal;}
{\s15\sbasedon0\snext16\sb240\sa120\keepn\dbch\af5\dbch\af6\afs28\loch\f4\fs28 Heading;}
{\s1\sbasedon15\snext16\b\fs36 \u220\'dcberschrift 1;}
{\s16\sbasedon0\snext16\sl276\slmult1\sb0\sa140 Text Body;}}
{\*\generator LibreOffice/7.4.7.2$Linux_X86_64 LibreOffice_project/40$Build-2}{\info{\creatim\yr2024\mo3\dy1\hr10\min0}{\revtim\yr2024\mo3\dy1\hr10\min5}{\printim\yr0\mo0\dy0\hr0\min0}}{\*\userprops}\deftab709
\hyphauto1\viewscale100\formshade\paperh16838\paperw11906\margl1134\margr1134\margt1134\margb1134\sectd\sbknxt\pgndec\pgwsxn11906\pghsxn16838\marglsxn1134\margrsxn1134\margtsxn1134\margbsxn1134\ftnbj\ftnstart1\ftnrstcont\ftnnar\aenddoc\aftnrstcont\aftnstart1\aftnnrlc\htmautsp
{\*\ftnsep\chftnsep}\pgndec\pard\plain \s1\qc\sb240\sa120\keepn\b\dbch\af5\dbch\af6\afs36\loch\f4\fs36{\rtlch \ltrch\loch
\u220\'dcberblick}
\par \pard\plain \s16\sl276\slmult1\sb0\sa140{\rtlch \ltrch\loch
Stra\u223\'dfe, Gr\u252\'fc\u223\'dfe und \u8222\'84Anf\u252\'fchrung\u8220\'93.}
\par })rtf";

// A Word table: the row's definition before its cells and again before
// \row, cells in groups of their own.
const char kTable[] = R"rtf({\rtf1\ansi\ansicpg1252\deff0{\fonttbl{\f0\froman\fcharset0 Times New Roman;}}
\pard\plain Files found:\par
\trowd \irow0\irowband0\ltrrow\ts11\trgaph108\trleft-108\trbrdrt\brdrs\brdrw10 \trbrdrl\brdrs\brdrw10 \trftsWidth1\trautofit1\tblind0\tblindtype3 \clvertalt\clbrdrt\brdrs\brdrw10 \cltxlrtb\clftsWidth3\clwWidth4675\clshdrawnil \cellx4567\clvertalt\clbrdrt\brdrs\brdrw10 \cltxlrtb\clftsWidth3\clwWidth4675\clshdrawnil \cellx9242\pard\plain \ltrpar\ql \li0\ri0\widctlpar\intbl\wrapdefault\aspalpha\aspnum\faauto\adjustright\rin0\lin0 {\b Name\cell }{\b Size\cell }\pard\plain \ltrpar\ql \widctlpar\intbl {\trowd \irow0\irowband0\ltrrow\ts11\trgaph108\trleft-108 \cellx4567\cellx9242\row }
\trowd \irow1\irowband1\lastrow \ltrrow\ts11\trgaph108\trleft-108 \cellx4567\cellx9242\pard\plain \ltrpar\ql \intbl {IMG_0001.jpg\cell }{2\~MB\cell }\pard\plain \ltrpar\ql \intbl {\trowd \irow1\irowband1\lastrow \ltrrow\ts11\trgaph108\trleft-108 \cellx4567\cellx9242\row }
\pard\plain After the table.\par}
)rtf";

// A LibreOffice table with a table in a cell: nested cells end in
// \nestcell; the nested row's \nestrow stands in a skipped \nesttableprops
// group and is followed by a \nonesttables group whose \par is the row's
// only line break.
const char kNestedTable[] = R"rtf({\rtf1\ansi\deff3\adeflang1025
{\fonttbl{\f0\froman\fprq2\fcharset0 Times New Roman;}{\f3\froman\fprq2\fcharset0 Liberation Serif{\*\falt Times New Roman};}{\f5\fnil\fprq2\fcharset0 DejaVu Sans;}}
{\colortbl;\red0\green0\blue0;}
{\stylesheet{\s0\snext0\rtlch\af5\afs24\alang1081 \ltrch\lang1033\langfe2052\hich\af3\loch\nowidctlpar\hyphpar0\ltrpar\cf0\f3\fs24\lang1033\kerning1\dbch\af5\langfe2052 Normal;}
{\s20\sbasedon0\snext20\loch\nowidctlpar\noline Table Contents;}
}{\*\generator LibreOffice/7.4.7.2$Linux_X86_64 LibreOffice_project/40$Build-2}{\info{\creatim\yr0\mo0\dy0\hr0\min0}}\deftab709
\paperh16838\paperw11906\margl1134\margr1134\margt1134\margb1134\sectd\sbknone\pgndec\ftnbj\ftnstart1\ftnrstcont\ftnnar\aenddoc
{\*\ftnsep\chftnsep}\pgndec\pard\plain \s0\rtlch\af5\afs24 \ltrch\hich\af3\loch\nowidctlpar\cf0\f3\fs24\kerning1\dbch\af5\ql\ltrpar{\loch
Findings}
\par \trowd\trql\ltrrow\trpaddft3\trpaddt0\trpaddfl3\trpaddl0\trpaddfb3\trpaddb0\trpaddfr3\trpaddr0\cellx4819\cellx9638\pard\plain \s0\rtlch\af5\afs24 \ltrch\hich\af3\loch\nowidctlpar\cf0\f3\fs24\kerning1\dbch\af5\intbl\ql\ltrpar{\loch
Heart}\cell\pard\plain \s0\rtlch\af5\afs24 \ltrch\hich\af3\loch\nowidctlpar\cf0\f3\fs24\kerning1\dbch\af5\intbl\itap2\ql\ltrpar{\loch
Coronararterie}\nestcell\pard\plain \s0\rtlch\af5\afs24 \ltrch\hich\af3\loch\nowidctlpar\cf0\f3\fs24\kerning1\dbch\af5\intbl\itap2\ql\ltrpar{\loch
Calcium-Score}\nestcell{\*\nesttableprops\trowd\trql\ltrrow\trpaddft3\trpaddt0\trpaddfl3\trpaddl0\trpaddfb3\trpaddb0\trpaddfr3\trpaddr0\cellx2410\cellx4820\nestrow}{\nonesttables\par}\pard\plain \s0\rtlch\af5\afs24 \ltrch\hich\af3\loch\nowidctlpar\cf0\f3\fs24\kerning1\dbch\af5\intbl\itap2\ql\ltrpar{\loch
LAD}\nestcell\pard\plain \s0\rtlch\af5\afs24 \ltrch\hich\af3\loch\nowidctlpar\cf0\f3\fs24\kerning1\dbch\af5\intbl\itap2\ql\ltrpar{\loch
12}\nestcell{\*\nesttableprops\trowd\trql\ltrrow\trpaddft3\trpaddt0\trpaddfl3\trpaddl0\trpaddfb3\trpaddb0\trpaddfr3\trpaddr0\cellx2410\cellx4820\nestrow}{\nonesttables\par}\pard\plain \s0\rtlch\af5\afs24 \ltrch\hich\af3\loch\nowidctlpar\cf0\f3\fs24\kerning1\dbch\af5\intbl\ql\ltrpar\loch
\cell\row\pard\trowd\trql\ltrrow\trpaddft3\trpaddt0\trpaddfl3\trpaddl0\trpaddfb3\trpaddb0\trpaddfr3\trpaddr0\cellx4819\cellx9638\pard\plain \s0\rtlch\af5\afs24 \ltrch\hich\af3\loch\nowidctlpar\cf0\f3\fs24\kerning1\dbch\af5\intbl\ql\ltrpar{\loch
Lung}\cell\pard\plain \s0\rtlch\af5\afs24 \ltrch\hich\af3\loch\nowidctlpar\cf0\f3\fs24\kerning1\dbch\af5\intbl\ql\ltrpar{\loch
clear}\cell\row\pard\pard\plain \s0\rtlch\af5\afs24 \ltrch\hich\af3\loch\nowidctlpar\cf0\f3\fs24\kerning1\dbch\af5\ql\ltrpar{\loch
End}
\par })rtf";

class WriterDocumentsTest : public rtftest::HelpTest {
 protected:
  void SetUp() override {
    HelpTest::SetUp();
    RtfFont::SetInstalledFontsSource([] {
      return std::vector<rb::String>{"Helvetica", "Times", "Liberation Serif", "Liberation Sans"};
    });
  }

  // Loads the document as the Help command does; the field's text.
  std::string Load(const std::string& rtf) {
    PutHelp(rtf);
    HelpLoader::HelpAction();
    return Field()->Text().Utf8();
  }
};

TEST_F(WriterDocumentsTest, TextEditDocument) {
  EXPECT_EQ(Load(kTextEdit),
            "Skerrow Help\n"
            "Names such as \xE2\x80\x9CIMG_0001.jpg\xE2\x80\x9D are found \xE2\x89\x88 at once; "
            "the letters \xCF\x80\xCE\xA9 mean nothing here.\n"
            "Note: keep the disk at 20\xC2\xB0" "C \xC2\xB1 2\xC2\xB0.\n");
  rb::Ref<RtfEditField> f = Field();
  After("Skerrow Help");
  EXPECT_TRUE(f->SelBold());
  EXPECT_EQ(f->SelTextSize(), 18);
  EXPECT_EQ(f->SelAlignment(), 2);
  EXPECT_EQ(f->SelTextFont().Bytes(), "Helvetica");  // Helvetica-Bold falls back by family
  After("Names");
  EXPECT_FALSE(f->SelBold());
  EXPECT_EQ(f->SelTextSize(), 12);
  EXPECT_EQ(f->SelAlignment(), 1);
  After("Note:");
  EXPECT_EQ(f->SelTextColor(), rb::RGB(180, 0, 0));
  After("keep");
  EXPECT_EQ(f->SelTextColor(), rb::RGB(0, 0, 0));
}

TEST_F(WriterDocumentsTest, WordDocumentWithFieldsBookmarksAndPictures) {
  EXPECT_EQ(Load(kWord),
            "Introduction\n"
            "Read the guide at example.com, page 1.\n"
            "Tip: Skerrow\xC2\xA0" "2 finds a file\xE2\x80\x99s copies \xE2\x80\x93 quickly.\n"
            "The end\n");
  rb::Ref<RtfEditField> f = Field();
  // The heading style: its formatting, and nothing of its name.
  After("Introduction");
  EXPECT_TRUE(f->SelBold());
  EXPECT_EQ(f->SelTextSize(), 16);
  EXPECT_EQ(f->SelTextColor(), rb::RGB(5, 99, 193));
  EXPECT_EQ(f->SelAlignment(), 1);
  After("Read");
  EXPECT_FALSE(f->SelBold());
  EXPECT_EQ(f->SelTextSize(), 11);
  // The hyperlink's visible text in its own format.
  After("example.com");
  EXPECT_TRUE(f->SelUnderline());
  EXPECT_EQ(f->SelTextColor(), rb::RGB(0, 0, 255));
  After(", page");
  EXPECT_FALSE(f->SelUnderline());
  // The bold ends with its group, not at the bookmark inside it.
  After("Tip:");
  EXPECT_TRUE(f->SelBold());
  After("Tip: Skerrow");
  EXPECT_FALSE(f->SelBold());
  After("The end");
  EXPECT_EQ(f->SelAlignment(), 2);
  EXPECT_TRUE(f->SelBold());
}

TEST_F(WriterDocumentsTest, LibreOfficeDocumentWithAlternativeFontNames) {
  EXPECT_EQ(Load(kLibreOffice),
            "\xC3\x9C" "berblick\n"
            "Stra\xC3\x9F" "e, Gr\xC3\xBC\xC3\x9F" "e und \xE2\x80\x9E" "Anf\xC3\xBChrung\xE2\x80\x9C.\n");
  rb::Ref<RtfEditField> f = Field();
  After("\xC3\x9C" "berblick");
  EXPECT_EQ(f->SelTextFont().Bytes(), "Liberation Sans");
  EXPECT_TRUE(f->SelBold());
  EXPECT_EQ(f->SelTextSize(), 18);
  EXPECT_EQ(f->SelAlignment(), 2);
  After("Stra");
  EXPECT_EQ(f->SelTextFont().Bytes(), "Liberation Serif");
  EXPECT_FALSE(f->SelBold());
  EXPECT_EQ(f->SelTextSize(), 12);
}

TEST_F(WriterDocumentsTest, LibreOfficeNestedTable) {
  EXPECT_EQ(Load(kNestedTable),
            "Findings\n"
            "Heart Coronararterie Calcium-Score \n"
            "LAD 12 \n"
            " \n"
            "Lung clear \n"
            "End\n");
}

TEST_F(WriterDocumentsTest, WordTable) {
  EXPECT_EQ(Load(kTable),
            "Files found:\n"
            "Name Size \n"
            "IMG_0001.jpg 2\xC2\xA0MB \n"
            "After the table.\n");
  rb::Ref<RtfEditField> f = Field();
  After("Name");
  EXPECT_TRUE(f->SelBold());
  After("Name ");  // the cell's blank is part of the bold group
  EXPECT_TRUE(f->SelBold());
  After("IMG_0001");
  EXPECT_FALSE(f->SelBold());
}

}  // namespace
