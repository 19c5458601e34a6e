#include "MimeTable.h"

#include <QFile>
#include <QRegularExpression>
#include <QStringList>
#include <algorithm>

namespace {

// Extension and content type, in the order the table is filled. ".mp3" and
// ".xbm" appear twice; the first pair for an extension wins.
const char *const BuiltInMimeLines[] = {
    ".nml=animation/narrative",
    ".aiff=audio/aiff",
    ".au=audio/basic",
    ".mid=midi/mid",
    ".mp3=audio/x-mpg",
    ".m3u=audio/x-mpegurl",
    ".qcp=audio/vnd.qcelp",
    ".ra=audio/vnd.rn-realaudio",
    ".wav=audio/wav",
    ".gsm=audio/x-gsm",
    ".wax=audio/x-ms-wax",
    ".wma=audio/x-ms-wma",
    ".ram=audio/x-pn-realaudio",
    ".mjf=audio/x-vnd.audioexplosion.mjuicemediafile",
    ".bmp=image/bmp",
    ".gif=image/gif",
    ".jpg=image/jpeg",
    ".jpeg=image/jpeg",
    ".jpe=image/jpeg",
    ".pict=image/pict",
    ".png=image/x-png",
    ".svg=image/svg+xml",
    ".tif=image/x-tiff",
    ".rf=image/vnd.rn-realflash",
    ".rp=image/vnd.rn-realpix",
    ".ico=image/x-icon",
    ".art=image/x-jg",
    ".pntg=image/x-macpaint",
    ".qtif=image/x-quicktime",
    ".sgi=image/x-sgi",
    ".targa=image/x-targa",
    ".xbm=image/xbm",
    ".psd=image/x-photoshop",
    ".pnm=image/x-portable-anymap",
    ".pbm=image/x-portable-bitmap",
    ".pgm=image/x-portable-graymap",
    ".ppm=image/x-portable-pixmap",
    ".rgb=image/x-rgb",
    ".xbm=image/x-xbitmap",
    ".xpm=image/x-xpixmap",
    ".xwd=image/x-xwindowdump",
    ".323=text/h323",
    ".xml=text/xml",
    ".uls=text/iuls",
    ".txt=text/plain",
    ".rtx=text/richtext",
    ".wsc=text/scriptlet",
    ".rt=text/vnd.rn-realtext",
    ".htt=text/webviewhtml",
    ".htc=text/x-component",
    ".vcf=text/x-vcard",
    ".avi=video/avi",
    ".flc=video/flc",
    ".mp2=video/x-mpeg2",
    ".mp3=video/mpeg",
    ".mp4=video/mp4",
    ".mpeg=video/mpeg",
    ".mpa=video/x-mpg",
    ".mpe=video/x-mpeg",
    ".mpg=video/mpg",
    ".mov=video/quicktime",
    ".rv=video/vnd.rn-realvideo",
    ".ivf=video/x-ivf",
    ".wm=video/x-ms-wm",
    ".wmp=video/x-ms-wmp",
    ".wmv=video/x-ms-wmv",
    ".wmx=video/x-ms-wmx",
    ".wvx=video/x-ms-wvx",
    ".rms=video/vnd.rn-realvideo-secure",
    ".asx=video/x-ms-asf",
    ".movie=video/x-sgi-movie",
    ".aab=application/x-authorware-bin",
    ".aam=application/x-authorware-map",
    ".aas=application/x-authorware-seg",
    ".abw=application/x-abiword",
    ".ai=application/postscript",
    ".arj=application/arj",
    ".asf=application/vnd.ms-asf",
    ".bat=application/x-bat",
    ".bcpio=application/x-bcpio",
    ".bz2=application/x-bzip2",
    ".cab=application/vnd.ms-cab-compressed",
    ".cat=application/vnd.ms-pki.seccat",
    ".ccn=application/x-cnc",
    ".cco=application/x-cocoa",
    ".cdf=application/x-cdf",
    ".cer=application/x-x509-ca-cert",
    ".chm=application/vnd.ms-htmlhelp",
    ".chrt=application/vnd.kde.kchart",
    ".cil=application/vnd.ms-artgalry",
    ".class=application/java-vm",
    ".com=application/x-msdos-program",
    ".clp=application/x-msclip",
    ".cpio=application/x-cpio",
    ".cpt=application/mac-compactpro",
    ".cqk=application/x-calquick",
    ".crd=application/x-mscardfile",
    ".crl=application/pkix-crl",
    ".csh=application/x-csh",
    ".dbf=application/x-dbase",
    ".dcr=application/x-director",
    ".deb=application/x-debian-package",
    ".dir=application/x-director",
    ".dist=vnd.apple.installer+xml",
    ".distz=vnd.apple.installer+xml",
    ".dll=application/x-msdos-program",
    ".dmg=application/x-apple-diskimage",
    ".doc=application/msword",
    ".dot=application/msword",
    ".dvi=application/x-dvi",
    ".dxr=application/x-director",
    ".ebk=application/x-expandedbook",
    ".eps=application/postscript",
    ".evy=application/envoy",
    ".exe=application/x-msdos-program",
    ".fdf=application/vnd.fdf",
    ".fif=application/fractals",
    ".flm=application/vnd.kde.kivio",
    ".fml=application/x-file-mirror-list",
    ".gnumeric=application/x-gnumeric",
    ".gtar=application/x-gtar",
    ".gz=application/x-gzip",
    ".hdf=application/x-hdf",
    ".hlp=application/winhlp",
    ".hpf=application/x-icq-hpf",
    ".hqx=application/mac-binhex40",
    ".hta=application/hta",
    ".ims=application/vnd.ms-ims",
    ".ins=application/x-internet-signup",
    ".iii=application/x-iphone",
    ".iso=application/x-iso9660-image",
    ".jar=application/java-archive",
    ".karbon=application/vnd.kde.karbon",
    ".kfo=application/vnd.kde.kformula",
    ".kon=application/vnd.kde.kontour",
    ".kpr=application/vnd.kde.kpresenter",
    ".kpt=application/vnd.kde.kpresenter",
    ".kwd=application/vnd.kde.kword",
    ".kwt=application/vnd.kde.kword",
    ".latex=application/x-latex",
    ".lha=application/x-lha",
    ".lcc=application/fastman",
    ".lrm=application/vnd.ms-lrm",
    ".lzh=application/x-lzh",
    ".m13=application/x-msmediaview",
    ".m14=application/x-msmediaview",
    ".mpp=application/vnd.ms-project",
    ".mvb=application/x-msmediaview",
    ".man=application/x-troff-man",
    ".mdb=application/x-msaccess",
    ".me=application/x-troff-me",
    ".ms=application/x-troff-ms",
    ".msi=application/x-msi",
    ".mpkg=vnd.apple.installer+xml",
    ".mny=application/x-msmoney",
    ".nix=application/x-mix-transfer",
    ".o=application/x-object",
    ".oda=application/oda",
    ".odb=application/vnd.oasis.opendocument.database",
    ".odc=application/vnd.oasis.opendocument.chart",
    ".odf=application/vnd.oasis.opendocument.formula",
    ".odg=application/vnd.oasis.opendocument.graphics",
    ".odi=application/vnd.oasis.opendocument.image",
    ".odm=application/vnd.oasis.opendocument.text-master",
    ".odp=application/vnd.oasis.opendocument.presentation",
    ".ods=application/vnd.oasis.opendocument.spreadsheet",
    ".ogg=application/ogg",
    ".odt=application/vnd.oasis.opendocument.text",
    ".otg=application/vnd.oasis.opendocument.graphics-template",
    ".oth=application/vnd.oasis.opendocument.text-web",
    ".otp=application/vnd.oasis.opendocument.presentation-template",
    ".ots=application/vnd.oasis.opendocument.spreadsheet-template",
    ".ott=application/vnd.oasis.opendocument.text-template",
    ".p10=application/pkcs10",
    ".p12=application/x-pkcs12",
    ".p7b=application/x-pkcs7-certificates",
    ".p7m=application/pkcs7-mime",
    ".p7r=application/x-pkcs7-certreqresp",
    ".p7s=application/pkcs7-signature",
    ".package=application/vnd.autopackage",
    ".pfr=application/font-tdpfr",
    ".pkg=vnd.apple.installer+xml",
    ".pdf=application/pdf",
    ".pko=application/vnd.ms-pki.pko",
    ".pl=application/x-perl",
    ".pnq=application/x-icq-pnq",
    ".pot=application/mspowerpoint",
    ".pps=application/vnd.ms-powerpoint",
    ".ppt=application/x-mspowerpoint",
    ".ppz=application/ppt",
    ".ps=application/postscript",
    ".pub=application/x-mspublisher",
    ".qpw=application/x-quattropro",
    ".qtl=application/x-quicktimeplayer",
    ".rar=application/rar",
    ".rdf=application/rdf+xml",
    ".rjs=application/vnd.rn-realsystem-rjs",
    ".rm=application/vnd.rn-realmedia",
    ".rmf=application/vnd.rmf",
    ".rmp=application/vnd.rn-rn_music_package",
    ".rmx=application/vnd.rn-realsystem-rmx",
    ".rnx=application/vnd.rn-realplayer",
    ".rpm=application/x-redhat-package-manager",
    ".rsml=application/vnd.rn-rsml",
    ".rtsp=application/x-rtsp",
    ".rss=application/rss+xml",
    ".scm=application/x-icq-scm",
    ".ser=application/java-serialized-object",
    ".sh=application/x-sh",
    ".shar=application/x-shar",
    ".scd=application/x-msschedule",
    ".sda=application/vnd.stardivision.draw",
    ".sdc=application/vnd.stardivision.calc",
    ".sdd=application/vnd.stardivision.impress",
    ".sdp=application/sdp",
    ".setpay=application/set-payment-initiation",
    ".setreg=application/set-registration-initiation",
    ".shw=application/presentations",
    ".sit=application/x-stuffit",
    ".skd=application/x-koan",
    ".skm=application/x-koan",
    ".skp=application/x-koan",
    ".skt=application/x-koan",
    ".smf=application/vnd.stardivision.math",
    ".smi=application/smil",
    ".smil=application/smil",
    ".spl=application/futuresplash",
    ".ssm=application/streamingmedia",
    ".sst=application/vnd.ms-pki.certstore",
    ".stc=application/vnd.sun.xml.calc.template",
    ".std=application/vnd.sun.xml.draw.template",
    ".sti=application/vnd.sun.xml.impress.template",
    ".stl=application/vnd.ms-pki.stl",
    ".stw=application/vnd.sun.xml.writer.template",
    ".svi=application/softvision",
    ".sv4cpio=application/x-sv4cpio",
    ".sv4crc=application/x-sv4crc",
    ".swf=application/x-shockwave-flash",
    ".sxc=application/vnd.sun.xml.calc",
    ".sxi=application/vnd.sun.xml.impress",
    ".sxm=application/vnd.sun.xml.math",
    ".sxw=application/vnd.sun.xml.writer",
    ".sxg=application/vnd.sun.xml.writer.global",
    ".t=application/x-troff",
    ".tar=application/x-tar",
    ".tcl=application/x-tcl",
    ".tex=application/x-tex",
    ".texi=application/x-texinfo",
    ".texinfo=application/x-texinfo",
    ".tr=application/x-troff",
    ".trm=application/x-msterminal",
    ".troff=application/x-troff",
    ".tsp=application/dsptype",
    ".tgz=application/x-compressed",
    ".torrent=application/x-bittorrent",
    ".ttz=application/t-time",
    ".uin=application/x-icq",
    ".urls=application/x-url-list",
    ".ustar=application/x-ustar",
    ".vcd=application/x-cdlink",
    ".vor=application/vnd.stardivision.writer",
    ".vsl=application/x-cnet-vsl",
    ".wcm=application/vnd.ms-works",
    ".wb1=application/x-quattropro",
    ".wb2=application/x-quattropro",
    ".wb3=application/x-quattropro",
    ".wdb=application/vnd.ms-works",
    ".wks=application/vnd.ms-works",
    ".wmd=application/x-ms-wmd",
    ".wms=application/x-ms-wms",
    ".wmz=application/x-ms-wmz",
    ".wp5=application/wordperfect5.1",
    ".wpd=application/wordperfect",
    ".wpl=application/vnd.ms-wpl",
    ".wps=application/vnd.ms-works",
    ".wri=application/x-mswrite",
    ".xfdf=application/vnd.adobe.xfdf",
    ".xls=application/x-msexcel",
    ".xlb=application/vnd.ms-excel",
    ".xpi=application/x-xpinstall",
    ".xps=application/vnd.ms-xpsdocument",
    ".xsd=application/vnd.sun.xml.draw",
    ".xul=application/vnd.mozilla.xul+xml",
    ".z=application/x-compress",
    ".zoo=application/x-zoo",
    ".zip=application/x-zip-compressed",
    ".wbmp=image/vnd.wap.wbmp",
    ".wml=text/vnd.wap.wml",
    ".wmlc=application/vnd.wap.wmlc",
    ".wmls=text/vnd.wap.wmlscript",
    ".wmlsc=application/vnd.wap.wmlscriptc",
    ".p=text/x-pascal",
    ".pas=text/pascal",
    ".h++=text/x-c++hdr",
    ".hpp=text/x-c++hdr",
    ".hxx=text/x-c++hdr",
    ".hh=text/x-c++hdr",
    ".c++=text/x-c++src",
    ".cpp=text/x-c++src",
    ".cxx=text/x-c++src",
    ".cc=text/x-c++src",
    ".h=text/x-chdr",
    ".c=text/x-csrc",
    ".java=text/x-java",
    ".css=text/css",
    ".js=text/javascript",
    ".htm=text/html",
    ".html=text/html",
    ".ls=text/x-javascript",
    ".mocha=text/x-mocha",
    ".shtml=server-parsed-html",
    ".sgm=text/sgml",
    ".sgml=text/x-sgml",
};

// The content types the system has registered, as lines of extension, "=",
// type: each line of the file names a type and then its extensions.
QStringList RegisteredMimeLines(const QString &fileName)
{
    QStringList lines;
    QFile file(fileName);
    if (fileName.isEmpty() || !file.open(QIODevice::ReadOnly | QIODevice::Text))
        return lines;
    while (!file.atEnd()) {
        QString line = QString::fromUtf8(file.readLine());
        if (const qsizetype hash = line.indexOf(QLatin1Char('#')); hash >= 0)
            line.truncate(hash);
        const QStringList words = line.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
        for (qsizetype i = 1; i < words.size(); ++i)
            lines << QLatin1Char('.') + words[i] + QLatin1Char('=') + words[0];
    }
    return lines;
}

// Sets the value of Name (the first line "Name=...") to Value, or appends it.
void SetListValue(QStringList &list, const QString &name, const QString &value)
{
    const QString prefix = name + QLatin1Char('=');
    for (QString &line : list)
        if (line.startsWith(prefix)) {
            line = prefix + value;
            return;
        }
    list.append(prefix + value);
}

} // namespace

const char *const SystemMimeTypesFile = "/etc/mime.types";

void BuildMimeList(QStringList *list, bool useRegistry, const QString &registryFile)
{
    if (!list || !list->isEmpty())
        return;
    for (const char *line : BuiltInMimeLines)
        list->append(QString::fromLatin1(line));
    if (!useRegistry)
        return;
    for (const QString &line : RegisteredMimeLines(registryFile)) {
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq > 0)
            SetListValue(*list, line.left(eq).toLower(), line.mid(eq + 1).toLower());
    }
    std::stable_sort(list->begin(), list->end(),
                     [](const QString &a, const QString &b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
}

TMimeTable::TMimeTable(bool autoFill)
{
    if (autoFill)
        EnsureMimeList();
}

void TMimeTable::LoadMimeList()
{
    QStringList list;
    BuildMimeList(&list, UseRegistry, RegistryFile);
    AddMimePairs(list, QLatin1Char('='));
}

void TMimeTable::EnsureMimeList()
{
    if (OnLoadList)
        OnLoadList(this);
    else if (Extensions.isEmpty())
        LoadMimeList();
}

void TMimeTable::AddMimePairs(const QStringList &list, QChar separator)
{
    Extensions.clear();
    Types.clear();
    for (const QString &line : list) {
        const qsizetype at = line.indexOf(separator);
        if (at >= 0)
            AddMimeEntry(line.left(at).toLower().toUtf8(), line.mid(at + 1).toUtf8());
    }
}

void TMimeTable::AddMimeEntry(const QByteArray &ext, const QByteArray &mimeType)
{
    QByteArray extension = ext.toLower();
    const QByteArray type = mimeType.toLower();
    if (extension.isEmpty() || type.isEmpty())
        return;
    if (!extension.startsWith('.'))
        extension.prepend('.');
    if (Extensions.contains(QString::fromUtf8(extension)))
        return;
    Extensions.append(QString::fromUtf8(extension));
    Types.append(QString::fromUtf8(type));
}

QByteArray TMimeTable::LookupMimeType(const QByteArray &fileName)
{
    const QByteArray name = fileName.mid(fileName.lastIndexOf('/') + 1);
    const qsizetype dot = name.lastIndexOf('.');
    const QString extension = dot < 0 ? QString() : QString::fromUtf8(name.mid(dot)).toLower();
    qsizetype index = Extensions.indexOf(extension);
    if (index < 0) {
        EnsureMimeList();
        index = Extensions.indexOf(extension);
    }
    return index < 0 ? QByteArray("application/octet-stream") : Types.at(index).toUtf8();
}

QByteArray MimeTypeOfFile(const QByteArray &fileName)
{
    static TMimeTable table(true);
    return table.LookupMimeType(fileName);
}
