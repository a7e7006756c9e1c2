<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US" sourcelanguage="zh_CN">
<context>
    <name>Pixmira</name>
    <message>
        <source>Pixmira — 宝贝图片批量处理</source>
        <translation>Pixmira — product pictures in batches</translation>
    </message>
    <message>
        <source>右下角</source>
        <translation>Bottom right</translation>
    </message>
    <message>
        <source>水印显示在图象右下角</source>
        <translation>Watermark at the bottom right</translation>
    </message>
    <message>
        <source>左下角</source>
        <translation>Bottom left</translation>
    </message>
    <message>
        <source>水印显示在图象左下角</source>
        <translation>Watermark at the bottom left</translation>
    </message>
    <message>
        <source>左上角</source>
        <translation>Top left</translation>
    </message>
    <message>
        <source>水印显示在图象左上角</source>
        <translation>Watermark at the top left</translation>
    </message>
    <message>
        <source>右上角</source>
        <translation>Top right</translation>
    </message>
    <message>
        <source>水印显示在图象右上角</source>
        <translation>Watermark at the top right</translation>
    </message>
    <message>
        <source>底部居中</source>
        <translation>Bottom centre</translation>
    </message>
    <message>
        <source>水印显示在图象底部居中</source>
        <translation>Watermark at the bottom centre</translation>
    </message>
    <message>
        <source>顶部居中</source>
        <translation>Top centre</translation>
    </message>
    <message>
        <source>水印显示在图象顶部居中</source>
        <translation>Watermark at the top centre</translation>
    </message>
    <message>
        <source>左边居中</source>
        <translation>Left middle</translation>
    </message>
    <message>
        <source>水印显示在图象左边居中</source>
        <translation>Watermark at the left middle</translation>
    </message>
    <message>
        <source>右边居中</source>
        <translation>Right middle</translation>
    </message>
    <message>
        <source>水印显示在图象右边居中</source>
        <translation>Watermark at the right middle</translation>
    </message>
    <message>
        <source>图片中心</source>
        <translation>Centre</translation>
    </message>
    <message>
        <source>水印显示在图象图片中心</source>
        <translation>Watermark in the centre</translation>
    </message>
    <message>
        <source>上边距</source>
        <translation>Top</translation>
    </message>
    <message>
        <source>下边距</source>
        <translation>Bottom</translation>
    </message>
    <message>
        <source>左边距</source>
        <translation>Left</translation>
    </message>
    <message>
        <source>右边距</source>
        <translation>Right</translation>
    </message>
    <message>
        <source>图片无法显示</source>
        <translation>Unreadable</translation>
    </message>
    <message>
        <source>请在此输入水印文字</source>
        <translation>Type the watermark text here</translation>
    </message>
    <message>
        <source>平铺水印</source>
        <translation>Tiled watermark</translation>
    </message>
    <message>
        <source>简单两步，批量制作精美Karavel图片！</source>
        <translation>Two simple steps to fine product pictures in batches!</translation>
    </message>
    <message>
        <source>官方首页</source>
        <translation>Home page</translation>
    </message>
    <message>
        <source>添加图片</source>
        <translation>Add pictures</translation>
    </message>
    <message>
        <source>添加图片(&amp;A)...</source>
        <translation>&amp;Add pictures...</translation>
    </message>
    <message>
        <source>添加文件夹(&amp;F)...</source>
        <translation>Add &amp;folder...</translation>
    </message>
    <message>
        <source>清空列表(&amp;C)</source>
        <translation>&amp;Clear list</translation>
    </message>
    <message>
        <source>图片生成</source>
        <translation>Make pictures</translation>
    </message>
    <message>
        <source>为左侧列表中的图片添加以下效果：</source>
        <translation>Apply these effects to the pictures in the list:</translation>
    </message>
    <message>
        <source>图片瘦身 - 批量修改图片尺寸，节省硬盘空间！</source>
        <translation>Shrink - resize pictures in batches, save disk space!</translation>
    </message>
    <message>
        <source>较小图片（310像素宽，约20KB，适合宝贝图片）</source>
        <translation>Small (310 px wide, about 20 KB, for product pictures)</translation>
    </message>
    <message>
        <source>中等图片（500像素宽，约100KB，适合宝贝图片）</source>
        <translation>Medium (500 px wide, about 100 KB, for product pictures)</translation>
    </message>
    <message>
        <source>较大图片（700像素宽，约130KB，适合宝贝图片）</source>
        <translation>Large (700 px wide, about 130 KB, for product pictures)</translation>
    </message>
    <message>
        <source>自定义</source>
        <translation>Custom</translation>
    </message>
    <message>
        <source>高等质量</source>
        <translation>High quality</translation>
    </message>
    <message>
        <source>中等质量</source>
        <translation>Medium quality</translation>
    </message>
    <message>
        <source>低等质量</source>
        <translation>Low quality</translation>
    </message>
    <message>
        <source>渐进式</source>
        <translation>Progressive</translation>
    </message>
    <message>
        <source>渐进式JPEG：画面相同，文件更小</source>
        <translation>Progressive JPEG: the same picture in a smaller file</translation>
    </message>
    <message>
        <source>平滑缩小（画质更好）</source>
        <translation>Smooth shrinking (better quality)</translation>
    </message>
    <message>
        <source>正方形主图（白底）</source>
        <translation>Square main picture (white)</translation>
    </message>
    <message>
        <source>按宽度</source>
        <translation>By width</translation>
    </message>
    <message>
        <source>按最长边</source>
        <translation>By the longest side</translation>
    </message>
    <message>
        <source>放进宽×高之内</source>
        <translation>Fit inside width × height</translation>
    </message>
    <message>
        <source>正好宽×高（白底）</source>
        <translation>Exactly width × height (on white)</translation>
    </message>
    <message>
        <source>0 = 与宽相同</source>
        <translation>0 = same as the width</translation>
    </message>
    <message>
        <source>允许放大小图片</source>
        <translation>Let small pictures grow</translation>
    </message>
    <message>
        <source>图片宽</source>
        <translation>Width</translation>
    </message>
    <message>
        <source>像素，</source>
        <translation>px,</translation>
    </message>
    <message>
        <source>为图片添加边框或圆角 - 美化宝贝图片</source>
        <translation>Frame or round corners - dress up product pictures</translation>
    </message>
    <message>
        <source>选择要添加的边框：</source>
        <translation>Frame to add:</translation>
    </message>
    <message>
        <source>四角</source>
        <translation>All corners</translation>
    </message>
    <message>
        <source>左上角+左下角</source>
        <translation>Top + bottom left</translation>
    </message>
    <message>
        <source>右上角+右下角</source>
        <translation>Top + bottom right</translation>
    </message>
    <message>
        <source>左上角+右上角</source>
        <translation>Top left + right</translation>
    </message>
    <message>
        <source>左下角+右下角</source>
        <translation>Bottom left + right</translation>
    </message>
    <message>
        <source>左上角+右下角</source>
        <translation>Top left + bottom right</translation>
    </message>
    <message>
        <source>左下角+右上角</source>
        <translation>Bottom left + top right</translation>
    </message>
    <message>
        <source>小圆角（半径10像素）</source>
        <translation>Small (radius 10 px)</translation>
    </message>
    <message>
        <source>中圆角（半径20像素）</source>
        <translation>Medium (radius 20 px)</translation>
    </message>
    <message>
        <source>大圆角（半径30像素）</source>
        <translation>Large (radius 30 px)</translation>
    </message>
    <message>
        <source>将图片</source>
        <translation>Cut</translation>
    </message>
    <message>
        <source>剪裁为</source>
        <translation>to</translation>
    </message>
    <message>
        <source>修改边框及圆角设置(&amp;B)...</source>
        <translation>Frame and corner settings (&amp;B)...</translation>
    </message>
    <message>
        <source>为图片添加水印 - 防止图片被盗，还可以宣传您的店铺！</source>
        <translation>Watermark - guard your pictures and advertise your shop!</translation>
    </message>
    <message>
        <source>水印文字：</source>
        <translation>Watermark text:</translation>
    </message>
    <message>
        <source>修改水印设置及外观(&amp;W)...</source>
        <translation>&amp;Watermark settings...</translation>
    </message>
    <message>
        <source>合并生成一张宝贝动态展示图片 - 自动切换，循环展示宝贝</source>
        <translation>One animated picture - shows the products in turn, in a loop</translation>
    </message>
    <message>
        <source>高速</source>
        <translation>Fast</translation>
    </message>
    <message>
        <source>中速</source>
        <translation>Medium</translation>
    </message>
    <message>
        <source>低速</source>
        <translation>Slow</translation>
    </message>
    <message>
        <source>生成图片(&amp;G)...</source>
        <translation>&amp;Generate...</translation>
    </message>
    <message>
        <source>调整图片为：</source>
        <translation>Resize to:</translation>
    </message>
    <message>
        <source>缩小方式：</source>
        <translation>Shrink:</translation>
    </message>
    <message>
        <source>高</source>
        <translation>height</translation>
    </message>
    <message>
        <source>{name} 原文件名，{n} 序号（{n:3} 补足3位），{date} 日期，{w}×{h} 尺寸</source>
        <translation>{name} the picture&apos;s name, {n} its number ({n:3} with 3 digits), {date} the date, {w}×{h} the size</translation>
    </message>
    <message>
        <source>无损</source>
        <translation>Lossless</translation>
    </message>
    <message>
        <source>不限</source>
        <translation>No limit</translation>
    </message>
    <message>
        <source>0 = 不限；超出时降低质量，仍超出时逐步缩小图片</source>
        <translation>0 = no limit; a larger file gets a lower quality, then is shrunk step by step</translation>
    </message>
    <message>
        <source>去除全部</source>
        <translation>Remove all</translation>
    </message>
    <message>
        <source>保留拍摄信息（不含位置）</source>
        <translation>Keep photo details (without location)</translation>
    </message>
    <message>
        <source>方案(&amp;P)</source>
        <translation>&amp;Preset</translation>
    </message>
    <message>
        <source>另存为方案(&amp;S)...</source>
        <translation>&amp;Save as preset...</translation>
    </message>
    <message>
        <source>重命名方案(&amp;R)...</source>
        <translation>&amp;Rename preset...</translation>
    </message>
    <message>
        <source>删除方案(&amp;D)</source>
        <translation>&amp;Delete preset</translation>
    </message>
    <message>
        <source>文件名：</source>
        <translation>File name:</translation>
    </message>
    <message>
        <source>格式：</source>
        <translation>Format:</translation>
    </message>
    <message>
        <source>文件不超过</source>
        <translation>Files at most</translation>
    </message>
    <message>
        <source>照片信息：</source>
        <translation>Photo details:</translation>
    </message>
    <message>
        <source>方案：</source>
        <translation>Preset:</translation>
    </message>
    <message>
        <source>宝贝图片切换速度：</source>
        <translation>Switch speed:</translation>
    </message>
    <message>
        <source>每</source>
        <translation>every</translation>
    </message>
    <message>
        <source>秒切换一张图片</source>
        <translation>seconds</translation>
    </message>
    <message>
        <source>，大小约%1KB。</source>
        <translation>, about %1 KB.</translation>
    </message>
    <message>
        <source>例如：%1</source>
        <translation>For example: %1</translation>
    </message>
    <message>
        <source>另存为方案</source>
        <translation>Save as preset</translation>
    </message>
    <message>
        <source>方案名称：</source>
        <translation>Preset name:</translation>
    </message>
    <message>
        <source>重命名方案</source>
        <translation>Rename preset</translation>
    </message>
    <message>
        <source>新的名称：</source>
        <translation>New name:</translation>
    </message>
    <message>
        <source>删除方案</source>
        <translation>Delete preset</translation>
    </message>
    <message>
        <source>删除方案“%1”？</source>
        <translation>Delete the preset “%1”?</translation>
    </message>
    <message>
        <source>水印图片：</source>
        <translation>Watermark picture:</translation>
    </message>
    <message>
        <source>请选择要添加的文件夹</source>
        <translation>Choose the folder to add</translation>
    </message>
    <message>
        <source>无法打开文件夹 %1</source>
        <translation>Cannot open the folder %1</translation>
    </message>
    <message>
        <source>您尚未添加需要处理的图片。请在左侧“添加图片”框内进行添加。</source>
        <translation>You have not added any pictures yet. Add them in the “Add pictures” box on the left.</translation>
    </message>
    <message>
        <source>您尚未选择图片生成的效果。请在右侧“图片生成”框内选择需要的效果，可一种或多种效果组合。</source>
        <translation>You have not chosen any effect yet. Choose one or more in the “Make pictures” box on the right.</translation>
    </message>
    <message>
        <source>将文件导出到：</source>
        <translation>Export the files to:</translation>
    </message>
    <message>
        <source>添加文件夹</source>
        <translation>Add folder</translation>
    </message>
    <message>
        <source>生成图片</source>
        <translation>Generate</translation>
    </message>
    <message>
        <source>撤销</source>
        <translation>Undo</translation>
    </message>
    <message>
        <source>重做</source>
        <translation>Redo</translation>
    </message>
    <message>
        <source>选择图片文件加入列表</source>
        <translation>Choose picture files to add to the list</translation>
    </message>
    <message>
        <source>把一个文件夹（含子文件夹）里的图片加入列表</source>
        <translation>Add the pictures of a folder (and its subfolders) to the list</translation>
    </message>
    <message>
        <source>清空图片列表（%1 撤销）</source>
        <translation>Clear the list (%1 undoes)</translation>
    </message>
    <message>
        <source>按所选效果生成图片</source>
        <translation>Make the pictures with the chosen effects</translation>
    </message>
    <message>
        <source>打开设置窗口的边框/圆角页</source>
        <translation>Open the frame/corners page of the settings</translation>
    </message>
    <message>
        <source>打开设置窗口的水印页</source>
        <translation>Open the watermark page of the settings</translation>
    </message>
    <message>
        <source>拖动图片可以调整顺序；Delete 移除所选图片；Ctrl+L / Ctrl+R 旋转所选图片</source>
        <translation>Drag pictures to reorder; Delete removes the selected ones; Ctrl+L / Ctrl+R turn them</translation>
    </message>
    <message>
        <source>没有写入权限</source>
        <translation>no permission to write</translation>
    </message>
    <message>
        <source>磁盘是只读的</source>
        <translation>the disk is read-only</translation>
    </message>
    <message>
        <source>磁盘已满</source>
        <translation>the disk is full</translation>
    </message>
    <message>
        <source>文件夹不存在</source>
        <translation>the folder does not exist</translation>
    </message>
    <message>
        <source>文件名太长</source>
        <translation>the file name is too long</translation>
    </message>
    <message>
        <source>同名的文件夹或特殊文件已存在</source>
        <translation>a folder or special file of that name exists</translation>
    </message>
    <message>
        <source>读写磁盘出错</source>
        <translation>a disk read or write error</translation>
    </message>
    <message>
        <source>系统错误 %1</source>
        <translation>system error %1</translation>
    </message>
    <message>
        <source>无法写入 %1：%2</source>
        <translation>Cannot write %1: %2</translation>
    </message>
    <message>
        <source>设置文件中 %1 的值“%2”无效，请改正后再试。</source>
        <translation>The value “%2” of %1 in the settings file is not valid; correct it and try again.</translation>
    </message>
    <message>
        <source>列表中没有一张图片可以读取，无法生成动态图片 %1。</source>
        <translation>None of the pictures in the list can be read, so the animated picture %1 cannot be made.</translation>
    </message>
    <message>
        <source>逆时针旋转图片</source>
        <translation>Turn counter-clockwise</translation>
    </message>
    <message>
        <source>顺时针旋转图片</source>
        <translation>Turn clockwise</translation>
    </message>
    <message>
        <source>调整图片顺序</source>
        <translation>Reorder pictures</translation>
    </message>
    <message>
        <source>编辑图片</source>
        <translation>Edit picture</translation>
    </message>
    <message>
        <source>从列表中移除图片</source>
        <translation>Remove from the list</translation>
    </message>
    <message>
        <source>可以将图片文件拖进来，加入处理列表。</source>
        <translation>Drag picture files here to add them to the list.</translation>
    </message>
    <message>
        <source>清空列表</source>
        <translation>Clear list</translation>
    </message>
    <message>
        <source>设置</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>您尚未导入任何图片。</source>
        <translation>You have not added any pictures.</translation>
    </message>
    <message>
        <source>边框/圆角</source>
        <translation>Frame/corners</translation>
    </message>
    <message>
        <source>水印</source>
        <translation>Watermark</translation>
    </message>
    <message>
        <source>确定(&amp;O)</source>
        <translation>&amp;OK</translation>
    </message>
    <message>
        <source>取消(&amp;C)</source>
        <translation>&amp;Cancel</translation>
    </message>
    <message>
        <source>使用圆角</source>
        <translation>Round corners</translation>
    </message>
    <message>
        <source>使用边框</source>
        <translation>Frame</translation>
    </message>
    <message>
        <source>类型</source>
        <translation>Kind</translation>
    </message>
    <message>
        <source>文字水印</source>
        <translation>Text</translation>
    </message>
    <message>
        <source>粗体</source>
        <translation>Bold</translation>
    </message>
    <message>
        <source>斜体</source>
        <translation>Italic</translation>
    </message>
    <message>
        <source>下划线</source>
        <translation>Underline</translation>
    </message>
    <message>
        <source>图片水印</source>
        <translation>Picture</translation>
    </message>
    <message>
        <source>选择图片(&amp;L)...</source>
        <translation>Choose (&amp;L)...</translation>
    </message>
    <message>
        <source>原始大小</source>
        <translation>Original size</translation>
    </message>
    <message>
        <source>字体：</source>
        <translation>Font:</translation>
    </message>
    <message>
        <source>字体大小：</source>
        <translation>Size:</translation>
    </message>
    <message>
        <source>文字样式：</source>
        <translation>Style:</translation>
    </message>
    <message>
        <source>文字颜色：</source>
        <translation>Colour:</translation>
    </message>
    <message>
        <source>水印宽度占成品图片宽度：</source>
        <translation>Width as part of the picture:</translation>
    </message>
    <message>
        <source>位置</source>
        <translation>Position</translation>
    </message>
    <message>
        <source>在</source>
        <translation>At</translation>
    </message>
    <message>
        <source>像素</source>
        <translation>px</translation>
    </message>
    <message>
        <source>百分比</source>
        <translation>%</translation>
    </message>
    <message>
        <source>显示水印</source>
        <translation>position</translation>
    </message>
    <message>
        <source>水印间距：</source>
        <translation>Gap:</translation>
    </message>
    <message>
        <source>像素，平铺</source>
        <translation>px, tile</translation>
    </message>
    <message>
        <source>行（0行：平铺整张图片）</source>
        <translation>rows (0: the whole picture)</translation>
    </message>
    <message>
        <source>旋转：</source>
        <translation>Turn:</translation>
    </message>
    <message>
        <source>度</source>
        <translation>°</translation>
    </message>
    <message>
        <source>透明：</source>
        <translation>Transparency:</translation>
    </message>
    <message>
        <source>预览</source>
        <translation>Preview</translation>
    </message>
    <message>
        <source>上一张(&amp;P)</source>
        <translation>&amp;Previous</translation>
    </message>
    <message>
        <source>下一张(&amp;N)</source>
        <translation>&amp;Next</translation>
    </message>
    <message>
        <source>正在生成预览...</source>
        <translation>Making the preview...</translation>
    </message>
    <message>
        <source>内存不足，无法生成预览。</source>
        <translation>Not enough memory to make the preview.</translation>
    </message>
    <message>
        <source>导出进度</source>
        <translation>Export progress</translation>
    </message>
    <message>
        <source>正在导出文件.....</source>
        <translation>Exporting files.....</translation>
    </message>
    <message>
        <source>打开导出目录(&amp;O)...</source>
        <translation>&amp;Open the folder...</translation>
    </message>
    <message>
        <source>处理下一批图片(&amp;N)</source>
        <translation>&amp;Next batch</translation>
    </message>
    <message>
        <source>关闭(&amp;C)</source>
        <translation>&amp;Close</translation>
    </message>
    <message>
        <source>打开生成图片(&amp;O)</source>
        <translation>&amp;Open the picture</translation>
    </message>
    <message>
        <source>无法打开生成的图片：%1</source>
        <translation>Cannot open the picture made: %1</translation>
    </message>
    <message>
        <source>无法打开导出目录：%1</source>
        <translation>Cannot open the export folder: %1</translation>
    </message>
    <message>
        <source>Pixmira
正品保证</source>
        <translation>Pixmira
genuine</translation>
    </message>
    <message>
        <source>通用图片格式</source>
        <translation>Pictures</translation>
    </message>
    <message>
        <source>Karavel助理图片格式</source>
        <translation>Karavel assistant pictures</translation>
    </message>
    <message>
        <source>无法读取或写入文件</source>
        <translation>a file could not be read or written</translation>
    </message>
    <message>
        <source>所选的边框无法使用</source>
        <translation>the chosen frame cannot be used</translation>
    </message>
    <message>
        <source>设置中的数值无效</source>
        <translation>a value in the settings is not valid</translation>
    </message>
    <message>
        <source>图片无法处理</source>
        <translation>the picture could not be processed</translation>
    </message>
    <message>
        <source>内存不足</source>
        <translation>not enough memory</translation>
    </message>
    <message>
        <source>未知错误</source>
        <translation>an unknown error</translation>
    </message>
    <message>
        <source>设置文件中 %1 的值 &quot;%2&quot; 无效，请改正后再试。</source>
        <translation>The value &quot;%2&quot; of %1 in the settings file is not valid; correct it and try again.</translation>
    </message>
    <message>
        <source>导出 %1 时出错：%2</source>
        <translation>Error while exporting %1: %2</translation>
    </message>
    <message numerus="yes">
        <source>共 %n 张图片</source>
        <translation>
            <numerusform>%n picture</numerusform>
            <numerusform>%n pictures</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>正在导出第 %1 个文件，总共 %n 个文件。</source>
        <translation>
            <numerusform>Exporting file %1 of %n.</numerusform>
            <numerusform>Exporting file %1 of %n.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n 个文件全部导出完毕。</source>
        <translation>
            <numerusform>The one file is exported.</numerusform>
            <numerusform>All %n files exported.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>导出了 %n 个文件。</source>
        <translation>
            <numerusform>%n file exported.</numerusform>
            <numerusform>%n files exported.</numerusform>
        </translation>
    </message>
    <message>
        <source>瘦身、边框圆角、水印、动态展示图，一次完成。设置随时保存，下次打开即可继续。</source>
        <translation>Shrink, frame or round, watermark, animate — all at once. Settings are kept for next time.</translation>
    </message>
    <message>
        <source>未设置官方网站地址（Config.ini 中的 HomeHost），首页无法打开。</source>
        <translation>No home page is set (HomeHost in Config.ini), so it cannot be opened.</translation>
    </message>
    <message>
        <source>排序(&amp;S)</source>
        <translation>&amp;Sort</translation>
    </message>
    <message>
        <source>按文件名</source>
        <translation>By file name</translation>
    </message>
    <message>
        <source>按拍摄日期</source>
        <translation>By date taken</translation>
    </message>
    <message>
        <source>按文件日期</source>
        <translation>By file date</translation>
    </message>
    <message>
        <source>文件夹 %1 中有要导出的图片，请另选一个导出文件夹。</source>
        <translation>The folder %1 holds pictures of the list; choose another export folder.</translation>
    </message>
    <message>
        <source>不支持这种文件类型</source>
        <translation>This kind of file is not supported</translation>
    </message>
    <message>
        <source>文件不存在</source>
        <translation>The file does not exist</translation>
    </message>
    <message>
        <source>无法读取（系统错误 %1）</source>
        <translation>Cannot be read (system error %1)</translation>
    </message>
    <message>
        <source>不是普通文件（管道、设备或套接字）</source>
        <translation>Not a regular file (a pipe, device or socket)</translation>
    </message>
    <message>
        <source>文件太大，不可能是图片</source>
        <translation>The file is too large to be a picture</translation>
    </message>
    <message>
        <source>处理它需要约 %1 内存，加上等待合成 GIF 的图片占用的 %2，超过内存上限 %3</source>
        <translation>It needs about %1 of memory which, with the %2 held by the pictures waiting for the GIF, is more than the limit of %3</translation>
    </message>
    <message>
        <source>处理它需要约 %1 内存，超过内存上限 %2</source>
        <translation>It needs about %1 of memory, more than the limit of %2</translation>
    </message>
    <message>
        <source>输出文件夹不接受它的文件名</source>
        <translation>The export folder does not take its file name</translation>
    </message>
    <message>
        <source>图片已损坏或无法识别</source>
        <translation>The picture is damaged or not recognised</translation>
    </message>
    <message numerus="yes">
        <source>导出已取消，已生成 1 个文件（%n 帧的 GIF 动画）。</source>
        <translation>
            <numerusform>Export cancelled; 1 file made (a GIF animation of %n frame).</numerusform>
            <numerusform>Export cancelled; 1 file made (a GIF animation of %n frames).</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>导出已取消，已导出 %n 个文件。</source>
        <translation>
            <numerusform>Export cancelled; %n file exported.</numerusform>
            <numerusform>Export cancelled; %n files exported.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>导出了 1 个文件（%n 帧的 GIF 动画）。</source>
        <translation>
            <numerusform>1 file exported (a GIF animation of %n frame).</numerusform>
            <numerusform>1 file exported (a GIF animation of %n frames).</numerusform>
        </translation>
    </message>
    <message>
        <source>没有导出任何图片。</source>
        <translation>No picture was exported.</translation>
    </message>
    <message numerus="yes">
        <source>，%n 张图片未能导出。</source>
        <translation>
            <numerusform>, %n picture could not be exported.</numerusform>
            <numerusform>, %n pictures could not be exported.</numerusform>
        </translation>
    </message>
    <message>
        <source>%1：%2</source>
        <translation>%1: %2</translation>
    </message>
    <message>
        <source>水印图片无法读取，导出的图片没有加水印。</source>
        <translation>The watermark picture cannot be read; the pictures were exported without a watermark.</translation>
    </message>
    <message>
        <source>已用 %1</source>
        <translation>%1 elapsed</translation>
    </message>
    <message>
        <source>%1，剩余约 %2</source>
        <translation>%1, about %2 left</translation>
    </message>
    <message>
        <source>不切</source>
        <translation>no slicing</translation>
    </message>
    <message>
        <source> 像素</source>
        <translation> pixels</translation>
    </message>
    <message>
        <source>比这更高的长图（如详情页图片）切成几张保存：名字-01.jpg、名字-02.jpg……每张最多这么高，按顺序拼起来就是原图。0 = 不切。只对JPEG有效，动态图片不切。</source>
        <translation>A picture taller than this (such as a detail page) is saved in pieces: NAME-01.jpg, NAME-02.jpg… each at most this tall; stacked in order they give the whole picture. 0 = no slicing. JPEG only; the animated picture is never sliced.</translation>
    </message>
    <message>
        <source>每片都加水印</source>
        <translation>Watermark every slice</translation>
    </message>
    <message>
        <source>勾选：每一片单独加水印。不勾选（默认）：先给整张图片加水印，再切片。</source>
        <translation>Ticked: every slice gets its own watermark. Not ticked (default): the whole picture is watermarked, then sliced.</translation>
    </message>
    <message>
        <source>完整显示图片（白底，不裁剪、不放大）</source>
        <translation>Show the whole picture (on white, never cut or enlarged)</translation>
    </message>
    <message>
        <source>整张图片放进边框的空白区域，空余处留白，小图片不会被放大。不勾选时图片铺满空白区域，超出的部分被边框裁掉。</source>
        <translation>The whole picture goes inside the frame&apos;s opening, the rest is white, and small pictures are not enlarged. Not ticked: the picture fills the opening and the frame cuts off what runs over.</translation>
    </message>
    <message>
        <source>半径按成品图片计算</source>
        <translation>Radius on the finished picture</translation>
    </message>
    <message>
        <source>先缩小图片再剪裁圆角：半径是成品图片上的像素，大照片和小照片的圆角一样大。不勾选时按原图剪裁，原图越大，成品上的圆角越小。</source>
        <translation>The picture is reduced first, then its corners are cut: the radius is in pixels of the finished picture, so large and small photos get the same corners. Not ticked: cut on the original, so the larger the original, the smaller the finished corners.</translation>
    </message>
    <message>
        <source>长图切片：每片最高</source>
        <translation>Slice tall pictures: each at most</translation>
    </message>
    <message>
        <source>按字号（磅）</source>
        <translation>Font size (points)</translation>
    </message>
    <message>
        <source>按成品宽度的百分比</source>
        <translation>Percent of the finished width</translation>
    </message>
    <message>
        <source>按成品宽度的百分比：文字高度随成品图片的宽度变化，310像素宽和800像素宽的图片上文字比例相同。</source>
        <translation>Percent of the finished width: the text&apos;s height follows the finished picture&apos;s width, so it has the same proportion on a 310- and an 800-pixel picture.</translation>
    </message>
    <message>
        <source>文字高度占成品图片宽度的百分比</source>
        <translation>Text height as a percent of the finished picture&apos;s width</translation>
    </message>
    <message>
        <source>文字超出图片时自动缩小</source>
        <translation>Shrink text that would run past the edge</translation>
    </message>
    <message>
        <source>文字会超出图片边缘时，自动缩小到刚好放得下，不会被截断。</source>
        <translation>Text that would run past the picture&apos;s edge is made smaller until it fits, so it is never cut off.</translation>
    </message>
    <message>
        <source>文字描边</source>
        <translation>Outline the text</translation>
    </message>
    <message>
        <source>在文字周围加1到3像素的深色描边，白色文字在白底或花哨的图片上也看得清。</source>
        <translation>A dark outline of 1 to 3 pixels around the letters, so white text shows on white and on busy photos.</translation>
    </message>
    <message>
        <source>文字和图片水印</source>
        <translation>Text and picture watermark</translation>
    </message>
    <message>
        <source>先加图片水印（如店标），再把文字水印叠在上面；图片水印使用下面自己的位置、透明度和角度。</source>
        <translation>The picture watermark (such as the shop&apos;s logo) goes on first, the text on top; the picture uses its own position, transparency and angle below.</translation>
    </message>
    <message>
        <source>文字和图片一起使用时，图片水印的位置</source>
        <translation>Where the picture watermark goes when used with the text</translation>
    </message>
    <message>
        <source>图片水印的上下边距（左边居中、右边居中时为左右边距），像素</source>
        <translation>The picture watermark&apos;s top or bottom margin (left or right for the side centres), in pixels</translation>
    </message>
    <message>
        <source>图片水印的左右边距，像素</source>
        <translation>The picture watermark&apos;s left or right margin, in pixels</translation>
    </message>
    <message>
        <source>图片水印的透明度</source>
        <translation>The picture watermark&apos;s transparency</translation>
    </message>
    <message>
        <source>图片水印的旋转角度（度）</source>
        <translation>The picture watermark&apos;s angle (degrees)</translation>
    </message>
    <message>
        <source>图片位置：</source>
        <translation>Picture position:</translation>
    </message>
    <message>
        <source>边距：</source>
        <translation>Margins:</translation>
    </message>
    <message>
        <source>文字大小：</source>
        <translation>Text size:</translation>
    </message>
    <message>
        <source>用时 %1。</source>
        <translation>Took %1.</translation>
    </message>
    <message>
        <source>排序</source>
        <translation>Sort</translation>
    </message>
    <message>
        <source>%1：即使缩小到 %2 也超过 %3 KB</source>
        <translation>%1: larger than %3 KB even when shrunk to %2</translation>
    </message>
    <message>
        <source>%1：为了不超过 %2 KB，缩小到 %3，质量 %4</source>
        <translation>%1: shrunk to %3 at quality %4 to stay within %2 KB</translation>
    </message>
</context>
</TS>
