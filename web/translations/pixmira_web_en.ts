<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US" sourcelanguage="zh_CN">
<context>
    <name>PixmiraWeb</name>
    <message>
        <source>导入设置</source>
        <translation>Import settings</translation>
    </message>
    <message>
        <source>导出设置</source>
        <translation>Export settings</translation>
    </message>
    <message>
        <source>文件夹</source>
        <translation>A folder</translation>
    </message>
    <message>
        <source>下载</source>
        <translation>A download</translation>
    </message>
    <message>
        <source>安装为应用</source>
        <translation>Install as an app</translation>
    </message>
    <message>
        <source>剩余时间：%1</source>
        <translation>Time left: %1</translation>
    </message>
    <message>
        <source>跳过 %1：%2</source>
        <translation>Skipped %1: %2</translation>
    </message>
    <message>
        <source>已取消，已完成的文件已保留。</source>
        <translation>Cancelled; the files made so far are kept.</translation>
    </message>
    <message>
        <source>图片无法读取</source>
        <translation>the picture cannot be read</translation>
    </message>
    <message>
        <source>不是可以读取的图片格式</source>
        <translation>not a picture format Pixmira reads</translation>
    </message>
    <message>
        <source>列表中没有一张图片可以读取</source>
        <translation>none of the pictures in the list can be read</translation>
    </message>
    <message>
        <source>以下文件不是可以读取的图片，没有加入：%1</source>
        <translation>These files are not pictures Pixmira reads and were not added: %1</translation>
    </message>
    <message>
        <source>已导入设置：%1</source>
        <translation>Settings imported: %1</translation>
    </message>
    <message>
        <source>无法读取设置文件 %1</source>
        <translation>Cannot read the settings file %1</translation>
    </message>
    <message>
        <source>图片已损坏</source>
        <translation>the picture is damaged</translation>
    </message>
    <message>
        <source>图片太大，无法处理</source>
        <translation>the picture is too large</translation>
    </message>
    <message>
        <source>添加字体文件...</source>
        <translation>Add a font file...</translation>
    </message>
    <message>
        <source>图片质量</source>
        <translation>Picture quality</translation>
    </message>
    <message>
        <source>缩小方式</source>
        <translation>Shrink by</translation>
    </message>
    <message>
        <source>图片高</source>
        <translation>Height</translation>
    </message>
    <message>
        <source>文件名</source>
        <translation>File name</translation>
    </message>
    <message>
        <source>文件格式</source>
        <translation>File format</translation>
    </message>
    <message>
        <source>文件不超过(KB)</source>
        <translation>Largest file (KB)</translation>
    </message>
    <message>
        <source>最低质量</source>
        <translation>Lowest quality</translation>
    </message>
    <message>
        <source>照片信息</source>
        <translation>Photo details</translation>
    </message>
    <message>
        <source>记住图片列表</source>
        <translation>Remember the picture list</translation>
    </message>
</context>
</TS>
