// Page script of the card page. The program drives it only through the global functions at the end of
// this file (all arguments are strings, "T" for true and "F" for false); the page asks the program for
// the pronunciation by navigating to "app:sound".
//
// Card texts and messages are inserted as markup. The page's security policy keeps any script in them
// from running, and every handler of the page is attached here rather than written into the markup.

var Player = Class.create({
    initialize: function() {
        this.name = '';
        this.mean = '';
        this.example = '';
        this.name_visible = true;
        this.mean_visible = true;
        this.example_visible = true;
        this.image_visible = true;
        this.sound_plugin = false;
        this.image_plugin = false;
        this.style_plugin = false;
        this.background = null;
        this.resetStyles();
        this.font_size = 1;
        this.message = null;
        this.current_div = null;
        this.image_element = null;
        this.pending_image = null;
    },

    // ---- Cards ---------------------------------------------------------------------------------------

    setVocabulary: function(name, mean, example) {
        this.name = name;
        this.mean = mean;
        this.example = example;
    },

    update: function() {
        var card = new Element('div', {'class': 'vocabulary'});
        this.image_element = null;
        if (this.image_plugin && this.image_visible) {
            var holder = new Element('div', {'class': 'image'});
            holder.appendChild(new Element('img', {src: 'GIF/542', alt: '이미지 로딩중...'}));
            card.appendChild(holder);
            this.image_element = holder;
        }
        this.appendPart(card, 'name', this.name, this.name_style, this.name_visible);
        this.appendPart(card, 'mean', this.mean, this.mean_style, this.mean_visible);
        this.appendPart(card, 'example', this.example, this.example_style, this.example_visible);
        this.display(card);
        this.updateView();
    },

    appendPart: function(card, className, text, style, visible) {
        if (text === '' || text == null)
            return;
        var part = new Element('div', {'class': className});
        part.innerHTML = text;
        this.applyPartStyle(part, style);
        if (!visible)
            part.style.display = 'none';
        card.appendChild(part);
    },

    applyPartStyle: function(part, style) {
        if (style.background)
            part.style.background = style.background;
        if (style.font)
            part.style.fontFamily = style.font;
        if (style.color)
            part.style.color = style.color;
        if (style.size)
            this.applyFontSize(part, style.size);
        if (style.bold)
            part.style.fontWeight = 'bold';
        if (style.italic)
            part.style.fontStyle = 'italic';
    },

    applyFontSize: function(part, size) {
        var points = size * this.font_size;
        part.style.fontSize = points + 'pt';
        part.style.lineHeight = (points * 1.4) + 'pt';
    },

    // Replaces the element on display (or adds the first one).
    display: function(element) {
        var view = $('view');
        if (this.current_div && this.current_div.parentNode === view)
            view.replaceChild(element, this.current_div);
        else
            view.appendChild(element);
        this.current_div = element;
    },

    // ---- Parts shown and hidden ----------------------------------------------------------------------

    toggleName: function(show) {
        this.name_visible = (show == 'T');
        this.applyVisibility('name', this.name_visible);
    },

    toggleMean: function(show) {
        this.mean_visible = (show == 'T');
        this.applyVisibility('mean', this.mean_visible);
    },

    toggleExample: function(show) {
        this.example_visible = (show == 'T');
        this.applyVisibility('example', this.example_visible);
    },

    // While a message is up the new visibility is only stored; the next card uses it. Otherwise the
    // part of the card on display is shown or hidden in place, keeping its picture.
    applyVisibility: function(className, visible) {
        if (this.message !== null || !this.current_div)
            return;
        this.current_div.childElements().each(function(part) {
            if (part.hasClassName(className))
                part.style.display = visible ? '' : 'none';
        });
        this.updateView();
    },

    // ---- Messages ------------------------------------------------------------------------------------

    showLoadMessage: function(message) {
        this.name = '';
        this.mean = '';
        this.example = '';
        this.image_element = null;
        this.font_size = 1;
        this.sound_plugin = false;
        this.image_plugin = false;
        this.style_plugin = false;
        this.message = null;
        this.updateControls();
        this.clearStyles();
        var box = new Element('div', {'class': 'loading'});
        box.appendChild(new Element('img', {src: 'GIF/543', alt: ''}));
        box.appendChild(new Element('br'));
        box.insertAdjacentHTML('beforeend', message);
        this.display(box);
        this.updateView();
    },

    showMessage: function(message) {
        this.message = message;
        var box = new Element('div', {'class': 'message'});
        box.innerHTML = message;
        this.display(box);
        this.updateView();
    },

    // ---- Plug-ins and styles -------------------------------------------------------------------------

    initPlugins: function(sound, image, style, data) {
        this.sound_plugin = (sound == 'T');
        this.image_plugin = (image == 'T');
        this.style_plugin = (style == 'T');
        if (this.sound_plugin)
            this.updateControls();
        if (!this.style_plugin) {
            this.clearStyles();
            return;
        }
        // Without data, or with data that is not JSON, nothing is styled.
        var values;
        try {
            values = String(data).evalJSON();
        } catch (e) {
            return;
        }
        if (values && typeof values === 'object')
            this.applyStyles(values);
    },

    applyStyles: function(values) {
        var given = function(value) {
            return value !== undefined && value !== null && value !== '' && value !== 0 && value !== '0';
        };
        if (given(values.background)) {
            this.background = String(values.background);
            document.body.style.background = this.background;
        }
        ['name', 'mean', 'example'].each(function(part) {
            var style = this[part + '_style'];
            if (given(values[part + '_bg']))
                style.background = String(values[part + '_bg']);
            if (given(values[part + '_font']))
                style.font = String(values[part + '_font']);
            if (given(values[part + '_color']))
                style.color = String(values[part + '_color']);
            if (given(values[part + '_size'])) {
                var size = parseFloat(values[part + '_size']);
                if (!isNaN(size))
                    style.size = size;
            }
            if (given(values[part + '_ext'])) {
                var ext = String(values[part + '_ext']);
                style.bold = ext.indexOf('b') >= 0;
                style.italic = ext.indexOf('i') >= 0;
            }
        }, this);
    },

    resetStyles: function() {
        this.name_style = {background: null, font: null, color: 'black', size: 14, bold: false, italic: false};
        this.mean_style = {background: null, font: null, color: 'black', size: 10, bold: false, italic: false};
        this.example_style = {background: null, font: null, color: 'black', size: 9, bold: false, italic: false};
    },

    clearStyles: function() {
        document.body.style.background = '';
        this.background = null;
        this.resetStyles();
    },

    // ---- Pictures ------------------------------------------------------------------------------------

    showImage: function(url) {
        if (!this.image_element)
            return;
        var holder = this.image_element;
        url = (url == null) ? '' : String(url);
        this.pending_image = null;
        if (url.blank()) {
            holder.innerHTML = '';
            this.updateView();
            return;
        }
        // The picture takes the holder's place once it has loaded (or failed): until then the
        // placeholder stays, and the card is laid out and drawn once for its picture instead of once
        // empty and again at the picture's size. A picture that arrives after a newer one was asked
        // for, or after its card has gone, is dropped.
        var image = new Element('img', {alt: ''});
        this.pending_image = image;
        var place = function(loaded) {
            if (player.pending_image !== image || player.image_element !== holder)
                return;
            player.pending_image = null;
            holder.innerHTML = '';
            holder.appendChild(image);
            if (loaded)
                player.resizeImage(image);
            else
                player.updateView();
        };
        // Plain listeners: the framework's observe keeps every element it has watched in a global
        // registry, which would keep every card's picture alive for the life of the page.
        image.addEventListener('load', function() { place(true); });
        image.addEventListener('error', function() { place(false); });
        image.src = url;
    },

    // Limits a picture to 0.7 of the window's width; its height follows.
    resizeImage: function(image) {
        if (!image && this.image_element)
            image = this.image_element.down('img');
        if (image) {
            var limit = document.viewport.getWidth() * 0.7;
            if (image.naturalWidth > limit) {
                image.style.width = limit + 'px';
                image.style.height = 'auto';
            }
        }
        this.updateView();
    },

    // ---- Placement -----------------------------------------------------------------------------------

    // Centres the card vertically; a card taller than the window scrolls, and the buttons move clear of
    // the scroll bar.
    updateView: function() {
        var height = document.viewport.getHeight();
        if (!height)
            return;
        var view = $('view');
        view.style.height = '';
        var margin = height - view.offsetHeight;
        var fits = margin >= 0;
        $('content').style.top = (fits ? margin / 2 : 0) + 'px';
        if (!fits)
            view.style.height = height + 'px';
        $('sound_button').style.right = (fits ? 5 : 20) + 'px';
        $('font_big_button').style.right = (fits ? 7 : 22) + 'px';
        $('font_small_button').style.right = (fits ? 7 : 22) + 'px';
    },

    updateControls: function() {
        var top = 30;
        if (this.sound_plugin) {
            $('sound_button').style.top = top + 'px';
            $('sound_button').style.display = 'block';
            top += 20;
        }
        $('font_big_button').style.top = top + 'px';
        $('font_big_button').style.display = 'block';
        $('font_small_button').style.top = (top + 15) + 'px';
        $('font_small_button').style.display = 'block';
    },

    // ---- Buttons -------------------------------------------------------------------------------------

    sound: function() {
        if (this.sound_plugin)
            window.location.href = 'app:sound';
    },

    increaseFontSize: function() {
        this.font_size *= 1.2;
        this.applyZoom();
    },

    decreaseFontSize: function() {
        this.font_size /= 1.2;
        this.applyZoom();
    },

    applyZoom: function() {
        $$('#view div.name, #view div.mean, #view div.example').each(function(part) {
            var style = part.hasClassName('name') ? this.name_style
                      : part.hasClassName('mean') ? this.mean_style : this.example_style;
            this.applyFontSize(part, style.size);
        }, this);
        this.updateView();
    }
});

var player = new Player();

// The option buttons: handlers attached here; a click never follows the anchor and never keeps focus.
document.observe('dom:loaded', function() {
    var buttons = {
        sound_button: function() { player.sound(true); },
        font_big_button: function() { player.increaseFontSize(); },
        font_small_button: function() { player.decreaseFontSize(); }
    };
    $H(buttons).each(function(pair) {
        var button = $(pair.key);
        button.observe('click', function(event) {
            event.stop();
            pair.value();
        });
        button.observe('focus', function() {
            button.blur();
        });
    });
});

// The program calls updateView when it resizes the view, but the page may only learn its new size after
// that call has run; centring again once the window itself reports the change keeps the card centred.
Event.observe(window, 'resize', function() {
    player.updateView();
});

// ---- Functions the program calls -----------------------------------------------------------------------

function setVocabulary(name, mean, example) { player.setVocabulary(name, mean, example); }
function update() { player.update(); }
function toggleName(show) { player.toggleName(show); }
function toggleMean(show) { player.toggleMean(show); }
function toggleExample(show) { player.toggleExample(show); }
function showLoadMessage(message) { player.showLoadMessage(message); }
function showMessage(message) { player.showMessage(message); }
function initPlugins(sound, image, style, data) { player.initPlugins(sound, image, style, data); }
function showImage(url) { player.showImage(url); }
function resizeImage(image) { player.resizeImage(image); }
function updateView() { player.updateView(); }
function updateControls() { player.updateControls(); }
